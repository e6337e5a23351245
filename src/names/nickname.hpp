// A player's nickname in corner brackets, from the group's nickname file or else the
// portrait endpoint.
#pragma once

#include "primitives/text.hpp"

namespace quillora {

inline constexpr char kNicknameEndpointKey[] = "昵称接口";
inline constexpr char kDefaultNicknameHost[] = "r.qzone.qq.com";

Text 获取QQ昵称(const Text& account, const Text& group);

// One export call, from construction to destruction (the export procedure holds one
// under the plugin lock). Once a lookup of the call has given up on the endpoint at
// the time bound, the later lookups of the same call give the empty nickname without
// asking it: a listing of five players would otherwise hold the reply, and with the
// lock every other group's messages, five times 5 seconds. A lookup that fails fast
// does not count, and the next call asks again, since the endpoint may be back.
// Outside a call every lookup asks.
struct NicknameCall {
  NicknameCall();
  ~NicknameCall();
  NicknameCall(const NicknameCall&) = delete;
  NicknameCall& operator=(const NicknameCall&) = delete;

  bool endpointTimedOut = false;
};

}  // namespace quillora
