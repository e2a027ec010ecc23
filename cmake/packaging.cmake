# The Debian package: `cpack -G DEB` in a release build directory.
set(CPACK_PACKAGE_NAME ksiezyc)
set(CPACK_PACKAGE_VENDOR "ksiezyc developers")
set(CPACK_PACKAGE_CONTACT "ksiezyc developers <dev@ksiezyc.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "turn-based survival game on the Moon, for the text console")
# The long description, already wrapped for the control file.
set(CPACK_PACKAGE_DESCRIPTION
    "A small single-player game in Polish, played with menu numbers at the\n\
console. Stranded on the Moon, the player rests to keep up health, watches\n\
the oxygen and gathers metal for a ship home.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)

set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)

include(CPack)
