# Shared by run.sh and test.sh: the packages every build needs.
BUILD_PACKAGES=(build-essential cmake ninja-build qt6-base-dev libgl-dev fonts-noto-cjk qt6-translations-l10n libbenchmark-dev)
# What the tests need besides: a virtual X display, a window manager, mouse
# and keyboard input, screenshots, the launcher check, an accessibility bus
# with a client that reads it as a screen reader does and Orca itself, and xdg-mime with the
# shared MIME database for the installed package's file types.
TEST_PACKAGES=(xvfb xauth openbox xdotool imagemagick desktop-file-utils qqwing appstream lintian man-db
               dbus at-spi2-core python3-gi gir1.2-atspi-2.0 xdg-utils libfile-mimeinfo-perl shared-mime-info
               xclip orca speech-dispatcher)
# The fuzz targets: clang with libFuzzer and the sanitizer runtimes.
FUZZ_PACKAGES=(clang libclang-rt-14-dev)
# What scripts/package.sh needs besides BUILD_PACKAGES: Debian's package tools.
PACKAGE_PACKAGES=(debhelper dpkg-dev)
