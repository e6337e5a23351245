// Loading fixes the run directory, the folder of the host program; unloading releases the
// result slots. Nothing else happens here: no file, no connection, no thread.
#include <windows.h>

#include "boundary/exports.hpp"

namespace {

quillora::Text HostProgramPath() {
  quillora::Text path(MAX_PATH, '\0');
  for (;;) {
    const DWORD size = static_cast<DWORD>(path.size());
    const DWORD length = GetModuleFileNameA(nullptr, path.data(), size);
    if (length < size) {  // it fitted (0 when the call failed)
      path.resize(length);
      return path;
    }
    if (size >= 65536) return {};
    path.resize(path.size() * 2);
  }
}

}  // namespace

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
  try {
    if (reason == DLL_PROCESS_ATTACH) {
      quillora::LoadPlugin(quillora::ModuleFolder(HostProgramPath()));
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
