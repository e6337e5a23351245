#include "chat/setup.hpp"

#include <filesystem>
#include <system_error>

#include "chat/charset.hpp"
#include "chat/files.hpp"
#include "game/game_file.hpp"
#include "primitives/platform.hpp"

namespace quillora::chat {

Bytes CrLfText(const Text& text) {
  Bytes out;
  for (char c : text) {
    if (c == '\n') out += '\r';
    if (c != '\r') out += c;
  }
  return out;
}

Bytes QuestionFileBytes(const Text& lines) {
  Bytes out;
  size_t begin = 0;
  while (begin < lines.size()) {
    size_t end = lines.find('\n', begin);
    if (end == Text::npos) end = lines.size();
    Text line = lines.substr(begin, end - begin);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    // An empty line would be drawn like any other and show an empty question.
    if (!line.empty()) out += line + "\r\n";
    begin = end + 1;
  }
  return out;
}

bool PrepareRunDirectory(std::string* problem) {
  const Text dir = RunDirectory();
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(FsPath(dir), error)) {
    // The Windows build runs from the run directory, beside the plugin.
    const auto name = entry.path().filename();
    if (name == "quillora-chat.exe" || name == "Quillora.cqp.dll") continue;
    *problem = ToUtf8(dir) + " is not empty; a new run directory needs an empty or new folder";
    return false;
  }
  if (!MakeFolders(dir + "\\config") || !MakeFolders(dir + "\\plugin")) {
    *problem = "cannot create the folders config and plugin in " + ToUtf8(dir);
    return false;
  }
  if (!WriteFileBytes(GameFilePath(), CrLfText(ExampleSettings())) ||
      !WriteFileBytes(TruthFilePath(), QuestionFileBytes(TruthBank())) ||
      !WriteFileBytes(DareFilePath(), QuestionFileBytes(DareBank()))) {
    *problem = "cannot write the sample files in " + ToUtf8(dir);
    return false;
  }
  return true;
}

const char* SetupScript() {
  return reinterpret_cast<const char*>(
      u8R"(# The nickname endpoint is pointed where nothing listens, so nothing goes on the network.
/setting 昵称接口 127.0.0.1:9
# The sign-in plugin keeps the players' nicknames in config\Kelvaro\2002.ini.
/group 2002
/nick 10001 阿青
/nick 10002 小墨
/nick 10003 大熊
# An operator links the sign-in plugin that keeps the currency; Tovik's balances are in toviksys\2002.ini.
10001: @关联插件 Tovik
/setbalance 10001 100
/setbalance 10002 50
/setbalance 10003 30
)");
}

const char* DemoScript() {
  return reinterpret_cast<const char*>(
      u8R"(# Balances before the round:
/balances 10001 10002 10003
# Three players join; joining needs at least the penalty (惩罚金额) in the purse.
10001: @Quillora
10002: @Quillora
10003: @Quillora
# A player starts the round; the plugin draws a truth question.
10001: start
# Everyone answers the question.
10001: @真心话 小时候我以为月亮一直跟着我走
10002: @真心话 我从来没有在上课时睡过觉
10003: @真心话 我会做一桌子拿手菜
# Who is lying? Two of three votes are enough for the result.
10001: @投票 2
10003: @投票 2
# The result: a dare for the liar, and the penalty comes off the balance.
10001: @惩罚结果
> 👏受到大冒险惩罚并扣除10个水晶币
> 【小墨】
>~ .+
# Balances after the round:
/balances 10001 10002 10003
> 阿青 (10001): 100个水晶币
> 小墨 (10002): 40个水晶币
> 大熊 (10003): 30个水晶币
)");
}

}  // namespace quillora::chat
