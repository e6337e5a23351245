// Loading fixes the run directory, the folder of the host program; unloading releases the
// result slots. Nothing else happens here: no file, no connection, no thread.
#include <windows.h>

#include "boundary/exports.hpp"
#include "primitives/platform.hpp"

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
  try {
    if (reason == DLL_PROCESS_ATTACH) {
      quillora::LoadPlugin(quillora::ExecutableFolder());
    } else if (reason == DLL_PROCESS_DETACH && reserved == nullptr) {
      // Only on FreeLibrary: when the process ends, other threads are gone, possibly
      // holding the export lock, and the system takes the memory back anyway.
      quillora::UnloadPlugin();
    }
  } catch (...) {
    // Loading always succeeds; without a run directory the files are simply not found.
  }
  return TRUE;
}
