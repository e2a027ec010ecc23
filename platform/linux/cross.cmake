# Cross-building for another Linux architecture with Debian's cross
# compilers; what is built runs under qemu-user, so every test runs too.
# The preset names the target by its GNU triple and Debian's architecture:
#   KSIEZYC_TARGET_TRIPLE  e.g. aarch64-linux-gnu (g++-aarch64-linux-gnu)
#   KSIEZYC_DEBIAN_ARCH    e.g. arm64 (the package's Architecture)
if(NOT KSIEZYC_TARGET_TRIPLE OR NOT KSIEZYC_DEBIAN_ARCH)
    message(FATAL_ERROR "cross.cmake needs KSIEZYC_TARGET_TRIPLE and KSIEZYC_DEBIAN_ARCH")
endif()
# Checks that CMake compiles in projects of their own need them as well.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES KSIEZYC_TARGET_TRIPLE KSIEZYC_DEBIAN_ARCH)

set(CMAKE_SYSTEM_NAME Linux)
string(REGEX MATCH "^[^-]+" CMAKE_SYSTEM_PROCESSOR ${KSIEZYC_TARGET_TRIPLE})
set(CMAKE_C_COMPILER ${KSIEZYC_TARGET_TRIPLE}-gcc)
set(CMAKE_CXX_COMPILER ${KSIEZYC_TARGET_TRIPLE}-g++)

# Libraries and headers come from the target's tree only; programs run at
# build time are the host's.
set(CMAKE_FIND_ROOT_PATH /usr/${KSIEZYC_TARGET_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# qemu-user names the 32-bit PC i386 and takes the target's libraries from
# the cross compiler's tree.
set(qemuArch ${CMAKE_SYSTEM_PROCESSOR})
if(qemuArch MATCHES "^i[3-6]86$")
    set(qemuArch i386)
endif()
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-${qemuArch} -L /usr/${KSIEZYC_TARGET_TRIPLE})
