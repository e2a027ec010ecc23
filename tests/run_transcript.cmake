# Plays BINARY with INPUT on standard input and checks that it exits with 0,
# writes exactly the bytes of EXPECTED and nothing on standard error. ACTUAL
# keeps what it wrote. LAUNCHER, when not empty, is a command line that
# BINARY runs under. LINE_ENDS=CRLF expects every line end of EXPECTED
# written as CR LF.
#
# For runs whose output cannot be written:
#   OUTPUT    where standard output goes instead of ACTUAL: a device such as
#             /dev/full, or "closed" for a closed descriptor (EXPECTED is then
#             not compared)
#   REPEAT    a line fed to standard input over and over, instead of INPUT
#   STATUS    the exit status expected instead of 0
#   ERROR     the one line expected on standard error
set(required BINARY)
if(NOT DEFINED OUTPUT)
    list(APPEND required EXPECTED ACTUAL)
endif()
if(NOT DEFINED REPEAT)
    list(APPEND required INPUT)
endif()
foreach(var IN LISTS required)
    if(NOT DEFINED ${var})
        message(FATAL_ERROR "run_transcript: ${var} is not set")
    endif()
endforeach()
if(NOT DEFINED STATUS)
    set(STATUS 0)
endif()
set(expectedErrors "")
if(DEFINED ERROR)
    set(expectedErrors "${ERROR}\n")
endif()

separate_arguments(command UNIX_COMMAND "${LAUNCHER}")
list(APPEND command "${BINARY}")
set(feed INPUT_FILE "${INPUT}")
if(DEFINED REPEAT)
    set(feed COMMAND yes "${REPEAT}")
endif()
set(output OUTPUT_FILE "${ACTUAL}")
if(OUTPUT STREQUAL "closed")
    set(command sh -c "exec \"$@\" >&-" sh ${command})
elseif(DEFINED OUTPUT)
    set(output OUTPUT_FILE "${OUTPUT}")
endif()

# The feed comes first: as a COMMAND it writes into the game's standard input.
execute_process(
    ${feed}
    COMMAND ${command}
    ${output}
    ERROR_VARIABLE errors
    RESULT_VARIABLE status
    TIMEOUT 60)
if(NOT status STREQUAL STATUS)
    message(FATAL_ERROR "${BINARY} ended with '${status}', not ${STATUS}\n${errors}")
endif()
if(NOT errors STREQUAL expectedErrors)
    message(FATAL_ERROR "standard error was\n'${errors}'\nnot\n'${expectedErrors}'")
endif()
if(DEFINED OUTPUT)
    return()
endif()

if(LINE_ENDS STREQUAL "CRLF")
    file(READ "${EXPECTED}" expectedText)
    string(REPLACE "\n" "\r\n" expectedText "${expectedText}")
    set(EXPECTED "${ACTUAL}.expected")
    file(WRITE "${EXPECTED}" "${expectedText}")
endif()
execute_process(
    COMMAND "${CMAKE_COMMAND}" -E compare_files "${ACTUAL}" "${EXPECTED}"
    RESULT_VARIABLE differs)
if(differs)
    file(READ "${ACTUAL}" actualText)
    file(READ "${EXPECTED}" expectedText)
    message(FATAL_ERROR "output differs from ${EXPECTED}\n"
        "--- expected ---\n${expectedText}\n--- actual (${ACTUAL}) ---\n${actualText}")
endif()
