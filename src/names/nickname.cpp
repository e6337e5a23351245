// Placeholder until the nickname lookup lands.
#include "names/nickname.hpp"

namespace quillora {

Text 获取QQ昵称(const Text&, const Text&) { return "【】"; }

}  // namespace quillora
