#include <windows.h>

#include "chat/files.hpp"
#include "chat/plugin.hpp"
#include "primitives/platform.hpp"

namespace quillora::chat {

namespace {
HMODULE& Library() {
  static HMODULE library = nullptr;
  return library;
}
}  // namespace

Text OwnFolder() {
  char path[MAX_PATH * 2] = {};
  const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
  return ParentFolder(Text(path, length));
}

bool OpenPlugin(const Text& runDirectory, std::string* problem) {
  const Text dll = OwnFolder() + "\\Quillora.cqp.dll";
  Library() = LoadLibraryA(dll.c_str());
  if (Library() == nullptr) {
    *problem = "cannot load " + dll + " (error " + std::to_string(GetLastError()) + ")";
    return false;
  }
  FixRunDirectory(runDirectory);
  return true;
}

InfoExport FindInfo() {
  return reinterpret_cast<InfoExport>(reinterpret_cast<void*>(GetProcAddress(Library(), "info")));
}

HandlerExport FindHandler(const Text& exportName) {
  return reinterpret_cast<HandlerExport>(
      reinterpret_cast<void*>(GetProcAddress(Library(), exportName.c_str())));
}

}  // namespace quillora::chat
