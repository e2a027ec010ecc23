# Plays BINARY under LAUNCHER (Wine) at a console, a pseudo-terminal made by
# script(1), with INPUT on standard input, and checks that the opening line's
# "ś" reaches the console as its two UTF-8 bytes, not as "s" or "?".
foreach(var LAUNCHER BINARY INPUT)
    if(NOT DEFINED ${var})
        message(FATAL_ERROR "console_check: ${var} is not set")
    endif()
endforeach()
execute_process(
    COMMAND script -qec "${LAUNCHER} '${BINARY}' < '${INPUT}'" /dev/null
    OUTPUT_VARIABLE console
    RESULT_VARIABLE status
    TIMEOUT 120)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "${BINARY} did not play at a console: ${status}\n${console}")
endif()
string(FIND "${console}" "Jesteś na ksiezycu" at)
if(at EQUAL -1)
    message(FATAL_ERROR "the console did not get \"ś\" from ${BINARY}:\n${console}")
endif()
