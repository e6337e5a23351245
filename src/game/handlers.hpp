// The round handlers. Each takes the host's five texts (argument text, message kind,
// group number, sender's account number, a fifth text) and returns the reply; the
// empty text means no reply.
#pragma once

#include "primitives/text.hpp"

namespace quillora {

Text Quillora(const Text& argument, const Text& kind, const Text& group, const Text& sender,
              const Text& fifth);
Text start(const Text& argument, const Text& kind, const Text& group, const Text& sender,
           const Text& fifth);
Text 答案(const Text& argument, const Text& kind, const Text& group, const Text& sender,
          const Text& fifth);
Text 投票(const Text& argument, const Text& kind, const Text& group, const Text& sender,
          const Text& fifth);
Text 投票结果(const Text& argument, const Text& kind, const Text& group, const Text& sender,
              const Text& fifth);
Text 结束游戏(const Text& argument, const Text& kind, const Text& group, const Text& sender,
              const Text& fifth);

}  // namespace quillora
