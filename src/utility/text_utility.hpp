// Small text services exported for any caller.
#pragma once

#include "primitives/text.hpp"

namespace quillora {

Text 取文本之间(const Text& text, const Text& left, const Text& right);
Text 去空格换行(const Text& text);
Text 时间格式化();

}  // namespace quillora
