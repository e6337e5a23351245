# The release bundle, made in the win32 build with `cpack` (or `cmake --build
# build/win32 --target package`): Quillora-<version>-win32.zip holding the plugin, the
# chat simulator, the sample question banks, an example settings file and the operator's
# guide. Every text file in it is GBK with CR LF, as a Chinese Windows reads it.
if(NOT WIN32)
  return()
endif()

include(${PROJECT_SOURCE_DIR}/tools/data_files.cmake)
set(bundle_texts ${CMAKE_BINARY_DIR}/bundle)
quillora_gbk_crlf(${PROJECT_SOURCE_DIR}/data/真心话.txt ${bundle_texts}/plugin/真心话.txt)
quillora_gbk_crlf(${PROJECT_SOURCE_DIR}/data/大冒险.txt ${bundle_texts}/plugin/大冒险.txt)
quillora_gbk_crlf(${PROJECT_SOURCE_DIR}/data/Quillora.ini ${bundle_texts}/config/Quillora.ini)
quillora_gbk_crlf(${PROJECT_SOURCE_DIR}/docs/operator-guide.md ${bundle_texts}/operator-guide.txt)

install(FILES $<TARGET_FILE:quillora_dll> DESTINATION .)
install(PROGRAMS $<TARGET_FILE:quillora-chat> DESTINATION .)
install(FILES ${bundle_texts}/operator-guide.txt DESTINATION .)
install(FILES ${bundle_texts}/plugin/真心话.txt ${bundle_texts}/plugin/大冒险.txt
        DESTINATION plugin)
install(FILES ${bundle_texts}/config/Quillora.ini DESTINATION config)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME Quillora)
set(CPACK_PACKAGE_VENDOR Quillora)
set(CPACK_PACKAGE_FILE_NAME Quillora-${PROJECT_VERSION}-win32)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_ARCHIVE_COMPONENT_INSTALL OFF)
include(CPack)
