# Runs a command and checks both its exit code and its output (stdout and
# stderr together) against a regular expression. A test's
# PASS_REGULAR_EXPRESSION alone ignores the exit code, so a tool that printed
# the right lines and then failed on the way out (a crash, a sanitizer's
# leak report) would pass.
#
#   cmake -DEXPECTED_EXIT=0 "-DEXPECTED_OUTPUT=regex" -P run_and_check.cmake -- command args...

set(command "")
set(after_separator FALSE)
math(EXPR last_argument "${CMAKE_ARGC} - 1")
foreach(index RANGE 1 ${last_argument})
    if(after_separator)
        list(APPEND command "${CMAKE_ARGV${index}}")
    elseif(CMAKE_ARGV${index} STREQUAL "--")
        set(after_separator TRUE)
    endif()
endforeach()
if(NOT command OR NOT DEFINED EXPECTED_EXIT OR NOT DEFINED EXPECTED_OUTPUT)
    message(FATAL_ERROR "usage: cmake -DEXPECTED_EXIT=N -DEXPECTED_OUTPUT=REGEX -P run_and_check.cmake -- COMMAND...")
endif()

execute_process(COMMAND ${command}
    RESULT_VARIABLE exit_code
    OUTPUT_VARIABLE output
    ERROR_VARIABLE output)
message("${output}")

if(NOT "${exit_code}" STREQUAL "${EXPECTED_EXIT}")
    message(FATAL_ERROR "exit code ${exit_code}, expected ${EXPECTED_EXIT}")
endif()
if(NOT output MATCHES "${EXPECTED_OUTPUT}")
    message(FATAL_ERROR "the output does not match: ${EXPECTED_OUTPUT}")
endif()
