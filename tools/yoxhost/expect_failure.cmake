# Runs `yoxhost ARGS` in DIR and checks that it exits with CODE and that its standard
# error is exactly one line. With SCENARIO set, ARGS is `run SCENARIO` and that line
# must start with the expectation written in the scenario's first line after
# "# error: " (FILE:LINE: and the problem; texts from the data library may go on).
# With PATTERN set, the line must match that regular expression.
if(SCENARIO)
  set(ARGS run ${SCENARIO})
  file(STRINGS ${DIR}/${SCENARIO} first LIMIT_COUNT 1)
  string(REGEX REPLACE "^# error: " "" expected "${first}")
  if(expected STREQUAL first)
    message(FATAL_ERROR "${SCENARIO} does not start with '# error: FILE:LINE: problem'")
  endif()
endif()
execute_process(COMMAND ${YOXHOST} ${ARGS}
  WORKING_DIRECTORY ${DIR} OUTPUT_VARIABLE output ERROR_VARIABLE errors RESULT_VARIABLE status)
if(NOT status EQUAL CODE)
  message(FATAL_ERROR "expected exit status ${CODE}, got ${status}\nstderr: ${errors}\nstdout: ${output}")
endif()
if(SCENARIO)
  string(LENGTH "${expected}" length)
  string(SUBSTRING "${errors}" 0 ${length} start)
  string(FIND "${errors}" "\n" newline)
  string(LENGTH "${errors}" total)
  math(EXPR last "${total} - 1")
  if(NOT start STREQUAL expected OR NOT newline EQUAL last)
    message(FATAL_ERROR "expected one line starting with\n  ${expected}\ngot\n  ${errors}")
  endif()
  if(NOT output STREQUAL "")
    message(FATAL_ERROR "a bad scenario must not run; it printed:\n${output}")
  endif()
endif()
if(PATTERN AND NOT errors MATCHES "${PATTERN}")
  message(FATAL_ERROR "standard error does not match '${PATTERN}':\n${errors}")
endif()
