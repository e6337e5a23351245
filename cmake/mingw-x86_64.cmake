# Cross build of the Windows test programs as 64-bit programs with mingw-w64. Where
# 32-bit Wine cannot run (scripts/wine-setup exits 4: 32-bit Linux programs only run
# through an emulator that fails them), this build exercises the same Windows platform
# code (profile calls, CreateFileA, WinINet) under 64-bit Wine instead.
# The product itself stays the 32-bit build (preset win32).
set(QUILLORA_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
