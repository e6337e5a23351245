// A player's nickname in corner brackets, from the group's nickname file or else the
// portrait endpoint.
#pragma once

#include "primitives/text.hpp"

namespace quillora {

inline constexpr char kNicknameEndpointKey[] = "昵称接口";
inline constexpr char kDefaultNicknameHost[] = "r.qzone.qq.com";

Text 获取QQ昵称(const Text& account, const Text& group);

}  // namespace quillora
