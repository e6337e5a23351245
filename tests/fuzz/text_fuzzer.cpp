// The text and number primitives on any bytes: nothing crashes, and the properties
// that the handlers build on hold.
//
// Input: seven header bytes (a start position, a count, flags, a 32-bit integer), then
// a text, a second text (needle, delimiter, "what") and a third (replacement), parted
// by zero bytes.
#include <cmath>
#include <cstring>

#include "boundary/exports.hpp"
#include "fuzz_support.hpp"
#include "primitives/text.hpp"

namespace {

using quillora::Text;
using quillora::TextList;
using quillora::fuzz::Shown;

constexpr size_t kHeader = 7;

// The positions where characters begin, scanning from the byte from: a byte of 0x80 or
// above takes the next byte with it. A dangling last byte is a position too.
std::vector<size_t> CharacterStarts(std::string_view text, size_t from) {
  std::vector<size_t> starts;
  for (size_t pos = from; pos < text.size();) {
    starts.push_back(pos);
    pos += static_cast<unsigned char>(text[pos]) >= 0x80 ? 2 : 1;
  }
  return starts;
}

bool EndsInDanglingByte(std::string_view text) {
  const std::vector<size_t> starts = CharacterStarts(text, 0);
  return !starts.empty() && starts.back() == text.size() - 1 &&
         static_cast<unsigned char>(text.back()) >= 0x80;
}

bool IsBlankAt(std::string_view text, size_t pos) {
  return text.compare(pos, 1, " ") == 0 || text.compare(pos, 2, "\xA1\xA1") == 0;
}

Text Join(const TextList& members, std::string_view delimiter) {
  Text joined;
  for (size_t i = 0; i < members.size(); ++i) {
    if (i > 0) joined += delimiter;
    joined += members[i];
  }
  return joined;
}

unsigned char Folded(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte >= 'A' && byte <= 'Z' ? static_cast<unsigned char>(byte + 0x20) : byte;
}

bool HoldsAt(std::string_view text, size_t pos, std::string_view needle, bool ignoreCase) {
  if (pos + needle.size() > text.size()) return false;
  for (size_t i = 0; i < needle.size(); ++i) {
    const bool same =
        ignoreCase ? Folded(text[pos + i]) == Folded(needle[i]) : text[pos + i] == needle[i];
    if (!same) return false;
  }
  return true;
}

// LocateText finds the first character start from its start position that holds the
// needle, and only such a position.
void CheckLocate(std::string_view text, std::string_view needle, int32_t start, bool ignoreCase) {
  const int32_t found = quillora::LocateText(text, needle, start, ignoreCase);
  const size_t from = start <= 1 ? 0 : static_cast<size_t>(start - 1);
  const auto detail = [&] {
    return std::string("text " + Shown(text) + "\nneedle " + Shown(needle) + "\nstart " +
                       std::to_string(start) + " found " + std::to_string(found));
  };
  if (from >= text.size()) {
    FUZZ_CHECK(found == -1, detail());
    return;
  }
  if (needle.empty()) {
    FUZZ_CHECK(found == 1, detail());
    return;
  }
  int32_t expected = -1;
  for (const size_t pos : CharacterStarts(text, from)) {
    if (HoldsAt(text, pos, needle, ignoreCase)) {
      expected = static_cast<int32_t>(pos + 1);
      break;
    }
  }
  FUZZ_CHECK(found == expected, detail() + " expected " + std::to_string(expected));
}

// Members joined back with the delimiter give the text but for a trailing delimiter,
// and no member holds the delimiter where a character begins.
void CheckSplit(std::string_view text, std::string_view delimiter) {
  const TextList members = quillora::SplitOn(text, delimiter);
  const auto detail = [&] {
    return std::string("text " + Shown(text) + "\ndelimiter " + Shown(delimiter));
  };
  if (text.empty()) {
    FUZZ_CHECK(members.empty(), detail());
    return;
  }
  if (delimiter.empty()) {
    FUZZ_CHECK(members.size() == 1 && members[0] == text, detail());
    return;
  }
  const Text joined = Join(members, delimiter);
  FUZZ_CHECK(joined == text || joined + Text(delimiter) == text,
             detail() + "\njoined " + Shown(joined));
  for (const Text& member : members) {
    FUZZ_CHECK(quillora::LocateText(member, delimiter) == -1,
               detail() + "\nmember " + Shown(member));
  }
  // A member past the count reads as the empty text instead of failing.
  FUZZ_CHECK(quillora::Member(members, 0).empty(), detail());
  FUZZ_CHECK(quillora::Member(members, static_cast<int32_t>(members.size()) + 1).empty(), detail());
}

// ReplaceAll is one pass of the same scan as SplitOn: replacing what by itself changes
// nothing but a dangling last byte, and replacing it by anything puts the replacement
// between the SplitOn members. A match moves the scan past it, so after a "what" that
// ends in a lead byte the scan steps on from that byte's second byte: the byte that
// dangles is the scan's, which may be the second byte of the text's last character.
void CheckReplace(std::string_view text, std::string_view what, std::string_view replacement) {
  const auto detail = [&] {
    return std::string("text " + Shown(text) + "\nwhat " + Shown(what) + "\nreplacement " +
                       Shown(replacement));
  };
  const auto sameButDangling = [&](const Text& result, std::string_view expected) {
    return result == expected ||
           (!expected.empty() && static_cast<unsigned char>(expected.back()) >= 0x80 &&
            result + expected.back() == expected);
  };
  const Text identity = quillora::ReplaceAll(text, what, what);
  FUZZ_CHECK(sameButDangling(identity, text), detail() + "\nresult " + Shown(identity));
  if (text.empty() || what.empty()) {
    FUZZ_CHECK(quillora::ReplaceAll(text, what, replacement) == text, detail());
    return;
  }
  const TextList members = quillora::SplitOn(text, what);
  Text expected = Join(members, replacement);
  if (Join(members, what) != text) expected += replacement;  // the trailing delimiter
  const Text replaced = quillora::ReplaceAll(text, what, replacement);
  FUZZ_CHECK(sameButDangling(replaced, expected),
             detail() + "\nresult " + Shown(replaced) + "\nexpected " + Shown(expected));
}

// Trimming twice trims no more than once; only a dangling last byte, which trimming
// drops, can uncover blanks.
void CheckTrim(std::string_view text) {
  const Text trimmed = quillora::TrimEnds(text);
  const auto detail = [&] {
    return std::string("text " + Shown(text) + "\ntrimmed " + Shown(trimmed));
  };
  FUZZ_CHECK(trimmed.empty() || !IsBlankAt(trimmed, 0), detail());
  FUZZ_CHECK(std::string_view(text).find(trimmed) != std::string_view::npos, detail());
  if (EndsInDanglingByte(text)) {
    FUZZ_CHECK(quillora::TrimEnds(trimmed) == quillora::TrimEnds(text.substr(0, text.size() - 1)),
               detail());
  } else {
    FUZZ_CHECK(quillora::TrimEnds(trimmed) == trimmed, detail());
  }
}

void CheckNumbers(std::string_view text, int32_t integer) {
  const Text written = quillora::NumberText(integer);
  FUZZ_CHECK(quillora::TruncateToInt(quillora::ParseNumber(written)) == integer,
             "integer " + std::to_string(integer) + " written " + written);

  const double number = quillora::ParseNumber(text);
  const int32_t truncated = quillora::TruncateToInt(number);
  FUZZ_CHECK(quillora::ParseNumber(quillora::NumberText(truncated)) == truncated, Shown(text));
  const Text numberText = quillora::NumberText(number);
  if (std::isfinite(number)) {
    // Thirteen significant digits read back within their rounding.
    const double back = quillora::ParseNumber(numberText);
    FUZZ_CHECK(std::fabs(back - number) <= 1e-12 * std::fabs(number) + 5e-324,
               "text " + Shown(text) + "\nwritten " + numberText);
  }
}

void CheckUtilities(std::string_view text, std::string_view left, std::string_view right) {
  const Text ownText(text);
  const Text ownLeft(left);
  const Text ownRight(right);
  if (const char* between =
          QuilloraTextBetween(ownText.c_str(), ownLeft.c_str(), ownRight.c_str())) {
    FUZZ_CHECK(*between != '\0' && ownText.find(between) != Text::npos, Shown(text));
  }
  if (const char* stripped = QuilloraStripBlanks(ownText.c_str())) {
    const std::string_view result(stripped);
    FUZZ_CHECK(!result.empty(), Shown(text));
    for (const size_t pos : CharacterStarts(result, 0)) {
      FUZZ_CHECK(result[pos] != ' ', "text " + Shown(text) + "\nresult " + Shown(result));
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  uint8_t header[kHeader] = {};
  std::memcpy(header, data, size < kHeader ? size : kHeader);
  const auto start = static_cast<int32_t>(static_cast<int8_t>(header[0]));
  const auto count = static_cast<int32_t>(static_cast<int8_t>(header[1]));
  const bool ignoreCase = (header[2] & 1) != 0;
  uint32_t bits = 0;
  std::memcpy(&bits, header + 3, sizeof bits);
  const auto integer = static_cast<int32_t>(bits);

  const size_t skip = size < kHeader ? size : kHeader;
  const auto pieces = quillora::fuzz::Pieces(data + skip, size - skip, 3);
  // Zero bytes end texts: the last piece is cut at its first one, as BytesToText does.
  const Text text = quillora::BytesToText(pieces[0]);
  const Text other = pieces.size() > 1 ? quillora::BytesToText(pieces[1]) : Text();
  const Text third = pieces.size() > 2 ? quillora::BytesToText(pieces[2]) : Text();

  CheckLocate(text, other, start, ignoreCase);
  CheckLocate(text, other, 1, false);
  CheckSplit(text, other);
  CheckReplace(text, other, third);
  CheckTrim(text);
  CheckNumbers(text, integer);
  CheckUtilities(text, other, third);

  const Text slice = quillora::TextSlice(text, start, count);
  FUZZ_CHECK(
      slice.empty() || text.compare(static_cast<size_t>(start - 1), slice.size(), slice) == 0,
      Shown(text));
  FUZZ_CHECK(quillora::CompareText(text, other) == -quillora::CompareText(other, text),
             Shown(text));
  FUZZ_CHECK(quillora::TextLength(quillora::Concat(text, other)) ==
                 quillora::TextLength(text) + quillora::TextLength(other),
             Shown(text));
  return 0;
}
