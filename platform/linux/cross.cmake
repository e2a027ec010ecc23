# Cross-building for another Linux architecture with Debian's cross
# compilers; what is built runs under qemu-user, so every test runs too.
# The preset names the target by its Debian architecture, KSIEZYC_DEBIAN_ARCH
# (the package's Architecture); its GNU triple (g++-TRIPLE) and qemu-user
# program are in the table of architectures beside this file.
if(NOT KSIEZYC_DEBIAN_ARCH)
    message(FATAL_ERROR "cross.cmake needs KSIEZYC_DEBIAN_ARCH")
endif()
# Checks that CMake compiles in projects of their own need it as well.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES KSIEZYC_DEBIAN_ARCH)

file(STRINGS ${CMAKE_CURRENT_LIST_DIR}/architectures row REGEX "^${KSIEZYC_DEBIAN_ARCH} ")
string(REGEX REPLACE " +" ";" row "${row}")
list(LENGTH row fields)
if(NOT fields EQUAL 4)
    message(FATAL_ERROR "${KSIEZYC_DEBIAN_ARCH} is not in ${CMAKE_CURRENT_LIST_DIR}/architectures")
endif()
list(GET row 1 triple)
list(GET row 2 qemu)

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
