# Shared by the cross toolchain files: programs come from the build machine,
# libraries and packages from the target's root only. Pd's headers are plain C
# for every platform, so the build machine's (puredata-dev) serve them all.
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
