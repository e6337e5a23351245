# The sample files are kept in the repository as UTF-8 with LF line ends, readable and
# diff-friendly. The plugin reads GBK with CR LF, so every installed copy is converted.

# Fails the configuration when a file holds a character outside GBK: the plugin could
# never show it.
function(quillora_require_gbk source)
  execute_process(COMMAND iconv -f UTF-8 -t GBK
                  INPUT_FILE ${source} OUTPUT_QUIET ERROR_VARIABLE problem RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${source} is not UTF-8 text made of GBK characters: ${problem}")
  endif()
endfunction()

# Writes destination as source converted to GBK with CR LF line ends.
function(quillora_gbk_crlf source destination)
  quillora_require_gbk(${source})
  file(READ ${source} content)
  string(REPLACE "\r\n" "\n" content "${content}")
  string(REPLACE "\n" "\r\n" content "${content}")
  get_filename_component(folder ${destination} DIRECTORY)
  file(MAKE_DIRECTORY ${folder})
  file(WRITE ${destination}.utf8 "${content}")
  execute_process(COMMAND iconv -f UTF-8 -t GBK
                  INPUT_FILE ${destination}.utf8 OUTPUT_FILE ${destination} RESULT_VARIABLE result)
  file(REMOVE ${destination}.utf8)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "could not convert ${source} to GBK")
  endif()
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${source})
endfunction()
