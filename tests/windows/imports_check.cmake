# Checks with OBJDUMP that BINARY, the Windows game, is self-contained: it
# imports nothing but the DLLs that every Windows has.
execute_process(COMMAND "${OBJDUMP}" -p "${BINARY}" OUTPUT_VARIABLE headers
    COMMAND_ERROR_IS_FATAL ANY)
string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${headers}")
list(TRANSFORM imports REPLACE "^DLL Name: " "")
list(SORT imports)
message(STATUS "${BINARY} imports: ${imports}")
if(NOT imports STREQUAL "KERNEL32.dll;msvcrt.dll")
    message(FATAL_ERROR "${BINARY} needs more DLLs than Windows has: ${imports}")
endif()
