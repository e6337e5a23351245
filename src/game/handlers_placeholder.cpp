// Placeholder until the round handlers land.
#include "game/handlers.hpp"

namespace quillora {

Text Quillora(const Text&, const Text&, const Text&, const Text&, const Text&) { return {}; }
Text start(const Text&, const Text&, const Text&, const Text&, const Text&) { return {}; }
Text 答案(const Text&, const Text&, const Text&, const Text&, const Text&) { return {}; }
Text 投票(const Text&, const Text&, const Text&, const Text&, const Text&) { return {}; }
Text 投票结果(const Text&, const Text&, const Text&, const Text&, const Text&) { return {}; }
Text 结束游戏(const Text&, const Text&, const Text&, const Text&, const Text&) { return {}; }

}  // namespace quillora
