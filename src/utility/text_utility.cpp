// Placeholder until the text utilities land.
#include "utility/text_utility.hpp"

namespace quillora {

Text 取文本之间(const Text&, const Text&, const Text&) { return {}; }
Text 去空格换行(const Text& text) { return text; }
Text 时间格式化() { return {}; }

}  // namespace quillora
