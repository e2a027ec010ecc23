# Cross-building for another Linux architecture with Debian's cross
# compilers; what is built runs under qemu-user, so every test runs too.
# KSIEZYC_DEBIAN_ARCH names the target by its Debian architecture (the
# package's Architecture); its GNU triple (g++-TRIPLE) and qemu-user program
# are its row in the table of architectures beside this file:
#   KSIEZYC_DEBIAN_ARCH=arm64 cmake --workflow --preset linux
set(table ${CMAKE_CURRENT_LIST_DIR}/architectures)
if(NOT KSIEZYC_DEBIAN_ARCH)
    message(FATAL_ERROR "set KSIEZYC_DEBIAN_ARCH to a Debian architecture of ${table}, e.g. "
        "KSIEZYC_DEBIAN_ARCH=arm64 cmake --workflow --preset linux")
endif()
# Checks that CMake compiles in projects of their own need it as well.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES KSIEZYC_DEBIAN_ARCH)

file(STRINGS ${table} row REGEX "^${KSIEZYC_DEBIAN_ARCH} ")
if(NOT row MATCHES "^[a-z0-9]+ +([a-z0-9_]+-linux-[a-z0-9]+) +(qemu-[a-z0-9_]+) +(package|test)$")
    message(FATAL_ERROR "${KSIEZYC_DEBIAN_ARCH} has no row \"DEBIAN TRIPLE QEMU ROLE\" in ${table}")
endif()
set(triple ${CMAKE_MATCH_1})
set(qemu ${CMAKE_MATCH_2})

set(CMAKE_SYSTEM_NAME Linux)
string(REGEX MATCH "^[^-]+" CMAKE_SYSTEM_PROCESSOR ${triple})
set(CMAKE_C_COMPILER ${triple}-gcc)
set(CMAKE_CXX_COMPILER ${triple}-g++)

# Libraries and headers come from the target's tree only; programs run at
# build time are the host's.
set(CMAKE_FIND_ROOT_PATH /usr/${triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# qemu-user takes the target's libraries from the cross compiler's tree.
set(CMAKE_CROSSCOMPILING_EMULATOR ${qemu} -L /usr/${triple})
