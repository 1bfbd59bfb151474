# Shared by run.sh and test.sh: the packages every build needs.
BUILD_PACKAGES=(build-essential cmake ninja-build qt6-base-dev libgl-dev fonts-noto-cjk)
