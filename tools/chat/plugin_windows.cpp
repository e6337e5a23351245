#include <windows.h>

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
  Text folder(path, length);
  // Cut at the last "\" that begins a character: a GBK trail byte can be 0x5C.
  size_t cut = Text::npos;
  for (size_t i = 0; i < folder.size(); ++i) {
    if (folder[i] == '\\') cut = i;
    if (static_cast<unsigned char>(folder[i]) >= 0x80) ++i;
  }
  return cut == Text::npos ? Text() : folder.substr(0, cut);
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
