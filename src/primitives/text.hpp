// Text and number operations over GBK byte strings. Positions and lengths count bytes;
// scanning operations step over two-byte characters so that a trail byte is never
// taken for a delimiter or the start of a needle.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quillora {

using Text = std::string;   // GBK bytes, no zero byte
using Bytes = std::string;  // raw bytes as read from a file or the web; may hold zeros
using TextList = std::vector<Text>;

int32_t TextLength(std::string_view text);

// t1 + t2 + ...: the texts one after the other.
template <class... Parts>
Text Concat(const Parts&... parts) {
  Text result;
  result.reserve((std::string_view(parts).size() + ... + 0));
  (result.append(std::string_view(parts)), ...);
  return result;
}

// -1, 0 or 1, comparing unsigned bytes; the shorter of two texts that begin alike is the lesser.
int CompareText(std::string_view a, std::string_view b);

// 1-based byte position of the first match at a character start, or -1.
int32_t LocateText(std::string_view text, std::string_view needle);
int32_t LocateText(std::string_view text, std::string_view needle, bool ignoreCase);
int32_t LocateText(std::string_view text, std::string_view needle, int32_t start, bool ignoreCase);

// count bytes from the 1-based byte position start; empty when out of range.
Text TextSlice(std::string_view text, int32_t start, int32_t count);

TextList SplitOn(std::string_view text, std::string_view delimiter);

// Member i (1-based) of a list; the empty text when there is no such member.
Text Member(const TextList& list, int32_t i);

Text ReplaceAll(std::string_view text, std::string_view what, std::string_view replacement);

// Removes blanks (space, full-width space) at both ends, and a dangling last byte.
Text TrimEnds(std::string_view text);

double ParseNumber(std::string_view text);
int32_t TruncateToInt(double number);

Text NumberText(int32_t value);
Text NumberText(double value);

// The bytes up to the first zero byte.
Text BytesToText(std::string_view bytes);

}  // namespace quillora
