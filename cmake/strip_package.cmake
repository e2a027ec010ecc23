# Run by CPack on the staged files of the Debian package, before the package
# is made: strips the game as Debian's dh_strip does, dropping the sections a
# package has no use for (compiler identification, notes) with the symbols.
if(NOT CPACK_GENERATOR STREQUAL "DEB")
    return()
endif()
set(binary "${CPACK_TEMPORARY_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}/${CPACK_KSIEZYC_BINARY}")
execute_process(
    COMMAND "${CPACK_KSIEZYC_STRIP}" --remove-section=.comment --remove-section=.note
        --strip-unneeded "${binary}"
    COMMAND_ERROR_IS_FATAL ANY)
