# Cross build of the Windows test programs as 64-bit programs with mingw-w64 (posix
# thread model). Where 32-bit Linux programs only run through qemu-user, 32-bit Wine is
# not dependable for programs with threads (scripts/wine-setup tells), and this build
# exercises the same Windows platform code (profile calls, CreateFileA, WinINet) under
# 64-bit Wine instead. The product itself stays the 32-bit build (preset win32).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Test programs run under Wine; ctest prefixes them with this.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run)
