# Runs dll_host from a fresh folder beside a copy of the DLL, through the emulator.
file(REMOVE_RECURSE ${FOLDER})
file(MAKE_DIRECTORY ${FOLDER})
file(COPY ${HOST} ${DLL} DESTINATION ${FOLDER})
get_filename_component(host_name ${HOST} NAME)
execute_process(COMMAND ${EMULATOR} ${FOLDER}/${host_name} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "dll_host failed (${result})")
endif()
