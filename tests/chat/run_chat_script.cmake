# Runs one chat script on a fresh run directory: `quillora-chat setup DIR`, then
# `quillora-chat run DIR SCRIPT`, whose expectations decide the outcome.
#   -DCHAT=<program, with a "|" between an emulator and the program>
#   -DDIR=<run directory>  -DSCRIPT=<script>
#   -DEXPECT_UNMET=ON      the script's expectations must fail (a test of the checker)
#   -DMODE=demo         run `quillora-chat demo DIR` instead
#   -DMODE=check        between setup and run: `check` finds a UTF-8 truth file and
#                       `check --fix` converts it
string(REPLACE "|" ";" chat "${CHAT}")
file(REMOVE_RECURSE ${DIR})

if(MODE STREQUAL "demo")
  execute_process(COMMAND ${chat} demo ${DIR} RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "the demo ended with ${result}")
  endif()
  return()
endif()

execute_process(COMMAND ${chat} setup ${DIR}
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "setup ended with ${result}:\n${output}")
endif()

# Runs `quillora-chat check DIR ...`; the exit code must be `expected`.
function(check expected)
  execute_process(COMMAND ${chat} check ${DIR} --group 2002 --no-web ${ARGN}
                  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
  message("${output}")
  if(NOT result EQUAL expected)
    message(FATAL_ERROR "check ${ARGN} ended with ${result}, not ${expected}")
  endif()
  set(output "${output}" PARENT_SCOPE)
endfunction()

if(MODE STREQUAL "check")
  check(0)
  file(WRITE ${DIR}/plugin/真心话.txt "你怕黑吗？\n\n")
  check(1)
  if(NOT output MATCHES "UTF-8")
    message(FATAL_ERROR "check did not name the UTF-8 truth file")
  endif()
  check(0 --fix)
  check(0)
  if(NOT EXISTS ${DIR}/plugin/真心话.txt.bak)
    message(FATAL_ERROR "--fix kept no backup")
  endif()
endif()

execute_process(COMMAND ${chat} run ${DIR} ${SCRIPT}
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
message("${output}")
if(EXPECT_UNMET)
  if(NOT result EQUAL 1 OR NOT output MATCHES "not met")
    message(FATAL_ERROR "the wrong expectations of ${SCRIPT} were not reported (${result})")
  endif()
elseif(NOT result EQUAL 0)
  message(FATAL_ERROR "${SCRIPT} ended with ${result}")
endif()
