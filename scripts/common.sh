# Shared by run.sh and test.sh: the packages every build needs.
BUILD_PACKAGES=(build-essential cmake ninja-build qt6-base-dev libgl-dev fonts-noto-cjk libbenchmark-dev)
# What the tests need besides: the puzzle generator the solving oracle uses.
TEST_PACKAGES=(qqwing)
# The fuzz targets: clang with libFuzzer and the sanitizer runtimes.
FUZZ_PACKAGES=(clang libclang-rt-14-dev)
