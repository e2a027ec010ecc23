# The players' downloads, each made in its build directory: the Debian
# package (`cpack -G DEB`), the Windows ZIP and the web site's ZIP (`cpack -G
# ZIP` in a Windows or web build), and the source tarball (`cpack --config
# CPackSourceConfig.cmake`).

# One version drives everything: the changelog's newest entry must name it.
file(STRINGS ${PROJECT_SOURCE_DIR}/CHANGELOG changelogTop LIMIT_COUNT 1)
if(NOT changelogTop MATCHES "^${PROJECT_NAME} \\(${PROJECT_VERSION}\\) ")
    message(FATAL_ERROR "CHANGELOG starts with '${changelogTop}', "
        "but the project's version is ${PROJECT_VERSION}")
endif()

# Values reach CPack's configuration as written, regular expressions included.
set(CPACK_VERBATIM_VARIABLES ON)
set(CPACK_PACKAGE_NAME ksiezyc)
set(CPACK_PACKAGE_VENDOR "ksiezyc developers")
set(CPACK_PACKAGE_CONTACT "ksiezyc developers <dev@ksiezyc.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "turn-based survival game on the Moon, for the text console")
# The long description, already wrapped for the control file.
set(CPACK_PACKAGE_DESCRIPTION
    "A small single-player game in Polish, played with menu numbers at the\n\
console. Stranded on the Moon, the player checks health, oxygen and metal,\n\
rests at the cost of oxygen, and needs 50 metal to build a ship home.")
if(WIN32)
    # The Windows players' download: a ZIP of the game, README and licence.
    set(CPACK_GENERATOR ZIP)
    set(CPACK_PACKAGE_FILE_NAME ${PROJECT_NAME}-${PROJECT_VERSION}-windows-${CMAKE_SYSTEM_PROCESSOR})
    set(CPACK_STRIP_FILES ON)
elseif(EMSCRIPTEN)
    # The site, ready to upload to any static host.
    set(CPACK_GENERATOR ZIP)
    set(CPACK_PACKAGE_FILE_NAME ${PROJECT_NAME}-${PROJECT_VERSION}-web)
else()
    set(CPACK_GENERATOR DEB)
    # Debian strips more than CPack's plain strip does; see strip_package.cmake.
    set(CPACK_STRIP_FILES OFF)
    set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/strip_package.cmake)
    set(CPACK_KSIEZYC_BINARY ${CMAKE_INSTALL_BINDIR}/ksiezyc)
    set(CPACK_KSIEZYC_STRIP ${CMAKE_STRIP})

    set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
    set(CPACK_DEBIAN_PACKAGE_SECTION games)
    set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
    # dpkg-shlibdeps computes Depends for the target's architecture; in a
    # cross build it needs that architecture's libraries known to dpkg
    # (dpkg --add-architecture, then libc6:ARCH and libstdc++6:ARCH).
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
    if(KSIEZYC_DEBIAN_ARCH)
        set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE ${KSIEZYC_DEBIAN_ARCH})
    endif()
    set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
endif()

# The source tarball holds what git tracks: everything but the repository
# itself and what a build or an editor leaves in the tree.
set(CPACK_SOURCE_GENERATOR TGZ)
set(CPACK_SOURCE_PACKAGE_FILE_NAME ${PROJECT_NAME}-${PROJECT_VERSION})
string(REGEX REPLACE "([][+.*()^$?|\\\\])" "\\\\\\1" sourceDir "${PROJECT_SOURCE_DIR}")
set(CPACK_SOURCE_IGNORE_FILES
    "^${sourceDir}/\\.git/"
    "^${sourceDir}/\\.git$"
    "^${sourceDir}/build/"
    "^${sourceDir}/dist/"
    "^${sourceDir}/out/"
    "^${sourceDir}/\\.cache/"
    "^${sourceDir}/compile_commands\\.json$"
    "/node_modules/"
    "~$"
    "\\.swp$")

include(CPack)
