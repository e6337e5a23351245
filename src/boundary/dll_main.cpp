// Placeholder until the export layer lands.
#include <windows.h>

#include "boundary/exports.hpp"

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) quillora::LoadPlugin("");
  if (reason == DLL_PROCESS_DETACH) quillora::UnloadPlugin();
  return TRUE;
}
