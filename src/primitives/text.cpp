// Placeholder until the text primitives land.
#include "primitives/text.hpp"

#include <cstdio>

namespace quillora {

int32_t TextLength(std::string_view text) { return static_cast<int32_t>(text.size()); }
int CompareText(std::string_view a, std::string_view b) { return a < b ? -1 : (a == b ? 0 : 1); }
int32_t LocateText(std::string_view text, std::string_view needle) {
  auto p = text.find(needle);
  return p == std::string_view::npos ? -1 : static_cast<int32_t>(p + 1);
}
int32_t LocateText(std::string_view text, std::string_view needle, bool) { return LocateText(text, needle); }
int32_t LocateText(std::string_view text, std::string_view needle, int32_t, bool) { return LocateText(text, needle); }
Text TextSlice(std::string_view text, int32_t start, int32_t count) {
  if (start < 1 || start > TextLength(text) || count < 1) return {};
  return Text(text.substr(static_cast<size_t>(start - 1), static_cast<size_t>(count)));
}
TextList SplitOn(std::string_view text, std::string_view) { return {Text(text)}; }
Text Member(const TextList& list, int32_t i) {
  return i >= 1 && static_cast<size_t>(i) <= list.size() ? list[static_cast<size_t>(i - 1)] : Text();
}
Text ReplaceAll(std::string_view text, std::string_view, std::string_view) { return Text(text); }
Text TrimEnds(std::string_view text) { return Text(text); }
double ParseNumber(std::string_view) { return 0; }
int32_t TruncateToInt(double number) { return static_cast<int32_t>(number); }
Text NumberText(int32_t value) { return std::to_string(value); }
Text NumberText(double value) { return std::to_string(value); }
Text BytesToText(std::string_view bytes) { return Text(bytes.substr(0, bytes.find('\0'))); }

}  // namespace quillora
