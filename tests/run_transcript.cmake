# Plays BINARY with INPUT on standard input and checks that it exits with 0
# and writes exactly the bytes of EXPECTED. ACTUAL keeps what it wrote.
# LAUNCHER, when not empty, is a command line that BINARY runs under.
foreach(var BINARY INPUT EXPECTED ACTUAL)
    if(NOT DEFINED ${var})
        message(FATAL_ERROR "run_transcript: ${var} is not set")
    endif()
endforeach()

separate_arguments(launcher UNIX_COMMAND "${LAUNCHER}")
execute_process(
    COMMAND ${launcher} "${BINARY}"
    INPUT_FILE "${INPUT}"
    OUTPUT_FILE "${ACTUAL}"
    RESULT_VARIABLE status
    TIMEOUT 60)
if(NOT status STREQUAL "0")
    message(FATAL_ERROR "${BINARY} ended with '${status}', not 0")
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
