#include "names/nickname.hpp"

#include "game/game_file.hpp"
#include "primitives/platform.hpp"
#include "utility/text_utility.hpp"

namespace quillora {

namespace {

// A space or control byte in the account would end or break the request line, so
// those bytes are percent-encoded; every other byte goes into the query as it is.
Text QueryValue(const Text& account) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  Text encoded;
  for (char c : account) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte <= 0x20 || byte == 0x7F) {
      encoded += '%';
      encoded += kHex[byte >> 4];
      encoded += kHex[byte & 0x0F];
    } else {
      encoded += c;
    }
  }
  return encoded;
}

Text PortraitUrl(const Text& account) {
  Text host = ReadGameText(kSettingsSection, kNicknameEndpointKey);
  if (host.empty()) host = kDefaultNicknameHost;
  return Concat("http://", host, "/fcg-bin/cgi_get_portrait.fcg?uins=", QueryValue(account));
}

}  // namespace

Text 获取QQ昵称(const Text& account, const Text& group) {
  const Text nicknameFile = Concat(RunDirectory(), "\\config\\Kelvaro\\", group, ".ini");
  Text nickname = ReadProfile(nicknameFile, account, "昵称");
  if (nickname.empty()) {
    const Text body = BytesToText(FetchUrl(PortraitUrl(account)));
    nickname = 取文本之间(body, ",\"", "\",0]})");
  }
  return Concat("【", nickname, "】");
}

}  // namespace quillora
