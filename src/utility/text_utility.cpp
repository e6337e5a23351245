#include "utility/text_utility.hpp"

namespace quillora {

Text 取文本之间(const Text& text, const Text& left, const Text& right) {
  const int32_t start = LocateText(text, left, true) + TextLength(left);
  const int32_t end = LocateText(text, right, start, true);
  return TextSlice(text, start, end - start);
}

Text 去空格换行(const Text& text) {
  return ReplaceAll(ReplaceAll(ReplaceAll(text, " ", ""), "\r\n", ""), "\\r", "");
}

Text 时间格式化() {
  return 时间格式化(Now());
}

Text 时间格式化(const DateTime& dateTime) {
  return ReplaceAll(ReplaceAll(ReplaceAll(DateText(dateTime), "年", "/"), "月", "/"), "日", "");
}

}  // namespace quillora
