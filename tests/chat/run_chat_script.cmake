# Runs one chat script on a fresh run directory: `quillora-chat setup DIR`, then
# `quillora-chat run DIR SCRIPT`, whose expectations decide the outcome.
#   -DCHAT=<program, with a "|" between an emulator and the program>
#   -DDIR=<run directory>  -DSCRIPT=<script>
#   -DEXPECT_UNMET=ON      the script's expectations must fail (a test of the checker)
#   -DMODE=demo         run `quillora-chat demo DIR` instead
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
