# Release builds are hardened as Debian builds its packages. Flags a builder
# passes in CXXFLAGS and LDFLAGS still apply alongside these; a builder who
# wants none of these protections turns KSIEZYC_HARDENING off.
option(KSIEZYC_HARDENING
    "Harden release builds with GCC or Clang on ELF systems (stack protector, fortify, full RELRO, PIE)"
    ON)

if(NOT KSIEZYC_HARDENING OR NOT CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang"
        OR NOT CMAKE_EXECUTABLE_FORMAT STREQUAL "ELF")
    return()
endif()

include(CheckCXXCompilerFlag)
include(CheckLinkerFlag)
include(CheckPIESupported)

set(CMAKE_POSITION_INDEPENDENT_CODE ON)
check_pie_supported()

set(release "$<CONFIG:Release,RelWithDebInfo,MinSizeRel>")
foreach(flag -fstack-protector-strong -fstack-clash-protection -fcf-protection)
    # Each protection only where this compiler and target have it.
    string(MAKE_C_IDENTIFIER "KSIEZYC_HAS${flag}" known)
    check_cxx_compiler_flag(${flag} ${known})
    if(${known})
        add_compile_options($<${release}:${flag}>)
    endif()
endforeach()
# Fortification needs optimisation, which release builds have. A builder's
# own choice of level wins.
if(NOT "${CMAKE_CXX_FLAGS} ${CMAKE_CXX_FLAGS_RELEASE}" MATCHES "_FORTIFY_SOURCE")
    add_compile_definitions($<${release}:_FORTIFY_SOURCE=2>)
endif()
check_linker_flag(CXX "LINKER:-z,relro,-z,now" KSIEZYC_HAS_BIND_NOW)
if(KSIEZYC_HAS_BIND_NOW)
    add_link_options($<${release}:LINKER:-z,relro,-z,now>)
endif()
