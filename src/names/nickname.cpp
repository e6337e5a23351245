#include "names/nickname.hpp"

#include "game/game_file.hpp"
#include "primitives/platform.hpp"
#include "utility/text_utility.hpp"

namespace quillora {

namespace {

// The export call under way, or null. Only touched under the plugin lock.
NicknameCall* currentCall = nullptr;

// The account goes into the query as it is; FetchUrl percent-encodes the bytes that
// would break the request line (space, control bytes).
Text PortraitUrl(const Text& account) {
  Text host = ReadGameText(kSettingsSection, kNicknameEndpointKey);
  if (host.empty()) host = kDefaultNicknameHost;
  return Concat("http://", host, "/fcg-bin/cgi_get_portrait.fcg?uins=", account);
}

}  // namespace

NicknameCall::NicknameCall() {
  currentCall = this;
}

NicknameCall::~NicknameCall() {
  currentCall = nullptr;
}

Text 获取QQ昵称(const Text& account, const Text& group) {
  const Text nicknameFile = Concat(RunDirectory(), "\\config\\Kelvaro\\", group, ".ini");
  Text nickname = ReadProfile(nicknameFile, account, "昵称");
  if (nickname.empty() && (currentCall == nullptr || !currentCall->endpointTimedOut)) {
    bool timedOut = false;
    const Text body = BytesToText(FetchUrl(PortraitUrl(account), &timedOut));
    nickname = 取文本之间(body, ",\"", "\",0]})");
    if (timedOut && currentCall != nullptr) currentCall->endpointTimedOut = true;
  }
  return Concat("【", nickname, "】");
}

}  // namespace quillora
