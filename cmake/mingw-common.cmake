# What both mingw-w64 cross builds share; the toolchain file that includes it sets
# QUILLORA_MINGW_TRIPLET and CMAKE_SYSTEM_PROCESSOR. The posix thread model gives the
# plugin and its test programs std::mutex and std::thread.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${QUILLORA_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QUILLORA_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${QUILLORA_MINGW_TRIPLET}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${QUILLORA_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Test programs run under Wine; ctest prefixes them with this.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run)
