#include <unistd.h>

#include <filesystem>

#include "chat/files.hpp"
#include "chat/plugin.hpp"
#include "primitives/platform.hpp"

namespace quillora::chat {

bool OpenPlugin(const Text& runDirectory, std::string*) {
  quillora::LoadPlugin(runDirectory);
  return true;
}

InfoExport FindInfo() {
  return &QuilloraInfo;
}

HandlerExport FindHandler(const Text& exportName) {
  // The export names of the DLL (GBK under the tools' character set) and the functions
  // that serve them in the linked plugin code.
  struct Export {
    const char* name;
    HandlerExport function;
  };
  static constexpr Export kHandlers[] = {
      {"初始化配置", &QuilloraLink}, {"Quillora", &QuilloraJoin}, {"start", &QuilloraStart},
      {"答案", &QuilloraAnswer},     {"投票", &QuilloraVote},     {"投票结果", &QuilloraSettle},
      {"结束游戏", &QuilloraEnd},
  };
  for (const Export& handler : kHandlers) {
    if (exportName == handler.name) return handler.function;
  }
  return nullptr;
}

Text OwnFolder() {
  std::error_code error;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  Text folder;
  if (!error) TextPath(self.parent_path(), &folder);
  return folder;
}

}  // namespace quillora::chat
