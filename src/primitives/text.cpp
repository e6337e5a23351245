#include "primitives/text.hpp"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cstring>
#include <limits>

namespace quillora {

namespace {

unsigned char ByteAt(std::string_view text, size_t pos) {
  return static_cast<unsigned char>(text[pos]);
}

// Bytes taken by the character at pos: a byte of 0x80 or above takes the next byte with
// it. 0 marks a dangling byte, a lead byte with nothing after it.
size_t CharacterSize(std::string_view text, size_t pos) {
  if (ByteAt(text, pos) < 0x80) return 1;
  return pos + 1 < text.size() ? 2 : 0;
}

// Bytes of the blank at pos (space or full-width space), or 0.
size_t BlankSize(std::string_view text, size_t pos) {
  if (text[pos] == ' ') return 1;
  if (pos + 1 < text.size() && ByteAt(text, pos) == 0xA1 && ByteAt(text, pos + 1) == 0xA1) {
    return 2;
  }
  return 0;
}

unsigned char FoldCase(unsigned char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c + 0x20) : c;
}

bool MatchesAt(std::string_view text, size_t pos, std::string_view needle, bool ignoreCase) {
  if (!ignoreCase) return text.compare(pos, needle.size(), needle) == 0;
  for (size_t i = 0; i < needle.size(); ++i) {
    if (FoldCase(ByteAt(text, pos + i)) != FoldCase(ByteAt(needle, i))) return false;
  }
  return true;
}

int32_t Locate(std::string_view text, std::string_view needle, int64_t start, bool ignoreCase) {
  const size_t from = static_cast<size_t>(start < 0 ? 0 : start);
  if (from >= text.size()) return -1;
  if (needle.empty()) return 1;
  size_t pos = from;
  while (text.size() - pos >= needle.size()) {
    if (MatchesAt(text, pos, needle, ignoreCase)) return static_cast<int32_t>(pos + 1);
    const size_t step = CharacterSize(text, pos);
    if (step == 0) break;
    pos += step;
  }
  return -1;
}

// Unsigned integers of any size, 32-bit limbs with the least significant first. Numbers are
// converted between decimal and binary with these alone: the x87 unit of the 32-bit build
// rounds twice where the native build rounds once, so no floating-point operation may
// take part, and both builds then give the same bits and the same text.
using Big = std::vector<uint32_t>;

void Trim(Big& a) {
  while (!a.empty() && a.back() == 0)
    a.pop_back();
}

void MultiplyAdd(Big& a, uint32_t factor, uint32_t addend) {
  uint64_t carry = addend;
  for (uint32_t& limb : a) {
    const uint64_t product = uint64_t{limb} * factor + carry;
    limb = static_cast<uint32_t>(product);
    carry = product >> 32;
  }
  if (carry != 0) a.push_back(static_cast<uint32_t>(carry));
}

void MultiplyPowerOfFive(Big& a, int64_t exponent) {
  constexpr uint32_t kFiveToThe13 = 1220703125;
  for (; exponent >= 13; exponent -= 13)
    MultiplyAdd(a, kFiveToThe13, 0);
  uint32_t rest = 1;
  for (; exponent > 0; --exponent)
    rest *= 5;
  MultiplyAdd(a, rest, 0);
}

void ShiftLeft(Big& a, int64_t bits) {
  if (a.empty() || bits <= 0) return;
  const size_t limbs = static_cast<size_t>(bits / 32);
  const unsigned shift = static_cast<unsigned>(bits % 32);
  if (shift != 0) {
    uint32_t carry = 0;
    for (uint32_t& limb : a) {
      const uint32_t next = limb >> (32 - shift);
      limb = (limb << shift) | carry;
      carry = next;
    }
    if (carry != 0) a.push_back(carry);
  }
  a.insert(a.begin(), limbs, 0);
}

// Returns whether a bit that was not zero fell off.
bool ShiftRight(Big& a, int64_t bits) {
  const size_t limbs = static_cast<size_t>(bits / 32);
  const unsigned shift = static_cast<unsigned>(bits % 32);
  if (limbs >= a.size()) {
    const bool lost = !a.empty();
    a.clear();
    return lost;
  }
  bool lost = false;
  for (size_t i = 0; i < limbs; ++i)
    lost = lost || a[i] != 0;
  a.erase(a.begin(), a.begin() + static_cast<std::ptrdiff_t>(limbs));
  if (shift != 0) {
    lost = lost || (a[0] & ((uint32_t{1} << shift) - 1)) != 0;
    for (size_t i = 0; i < a.size(); ++i) {
      a[i] = (a[i] >> shift) | (i + 1 < a.size() ? a[i + 1] << (32 - shift) : 0);
    }
  }
  Trim(a);
  return lost;
}

int64_t BitLength(const Big& a) {
  if (a.empty()) return 0;
  int64_t bits = static_cast<int64_t>(a.size() - 1) * 32;
  for (uint32_t top = a.back(); top != 0; top >>= 1)
    ++bits;
  return bits;
}

int Compare(const Big& a, const Big& b) {
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  for (size_t i = a.size(); i-- > 0;) {
    if (a[i] != b[i]) return a[i] < b[i] ? -1 : 1;
  }
  return 0;
}

// a -= b, for a >= b.
void Subtract(Big& a, const Big& b) {
  int64_t borrow = 0;
  for (size_t i = 0; i < a.size(); ++i) {
    int64_t difference = int64_t{a[i]} - borrow - (i < b.size() ? int64_t{b[i]} : 0);
    borrow = difference < 0 ? 1 : 0;
    a[i] = static_cast<uint32_t>(difference + (borrow << 32));
  }
  Trim(a);
}

// a /= divisor; returns the remainder.
uint32_t DivideSmall(Big& a, uint32_t divisor) {
  uint64_t remainder = 0;
  for (size_t i = a.size(); i-- > 0;) {
    const uint64_t part = (remainder << 32) | a[i];
    a[i] = static_cast<uint32_t>(part / divisor);
    remainder = part % divisor;
  }
  Trim(a);
  return static_cast<uint32_t>(remainder);
}

std::string DecimalDigits(Big a) {
  std::string digits;
  while (!a.empty()) {
    uint32_t chunk = DivideSmall(a, 1000000000);
    for (int i = 0; i < 9; ++i, chunk /= 10)
      digits.push_back(static_cast<char>('0' + chunk % 10));
  }
  while (digits.size() > 1 && digits.back() == '0')
    digits.pop_back();  // leading zeros
  return std::string(digits.rbegin(), digits.rend());
}

double FromBits(uint64_t bits) {
  double value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

constexpr uint64_t kInfinityBits = uint64_t{0x7FF} << 52;

// The double nearest to digits × 10^exponent, ties to even. digits has no leading or
// trailing zeros and at least one digit.
double DecimalToDouble(std::string_view digits, int64_t exponent) {
  // Enough digits to decide every rounding: a midpoint between two doubles has at most
  // 767 significant digits, so the digits beyond can stand for one nonzero digit.
  constexpr size_t kKeptDigits = 780;
  std::string kept(digits);
  if (kept.size() > kKeptDigits) {
    exponent += static_cast<int64_t>(kept.size() - kKeptDigits - 1);
    kept.resize(kKeptDigits);
    kept.push_back('1');
  }
  const int64_t magnitude = static_cast<int64_t>(kept.size()) + exponent;  // value < 10^magnitude
  if (exponent >= 0 && magnitude <= 15) {
    // Below 2^53: the conversion from the integer is exact on every floating-point unit.
    uint64_t whole = 0;
    for (char digit : kept)
      whole = whole * 10 + static_cast<uint64_t>(digit - '0');
    for (int64_t i = 0; i < exponent; ++i)
      whole *= 10;
    return static_cast<double>(whole);
  }
  if (magnitude >= 310) return FromBits(kInfinityBits);
  if (magnitude <= -325) return 0.0;

  // value = p / q × 2^exponent
  Big p;
  for (char digit : kept)
    MultiplyAdd(p, 10, static_cast<uint32_t>(digit - '0'));
  Big q{1};
  if (exponent >= 0) {
    MultiplyPowerOfFive(p, exponent);
  } else {
    MultiplyPowerOfFive(q, -exponent);
  }
  // A quotient of 55 or 56 bits: 53 for the result, the rest and the remainder to round.
  const int64_t shift = 55 - (BitLength(p) - BitLength(q));
  ShiftLeft(p, shift);
  ShiftLeft(q, -shift);
  uint64_t quotient = 0;
  ShiftLeft(q, 55);
  for (int bit = 55; bit >= 0; --bit, ShiftRight(q, 1)) {
    if (Compare(p, q) >= 0) {
      Subtract(p, q);
      quotient |= uint64_t{1} << bit;
    }
  }
  const bool inexact = !p.empty();

  const int64_t lowest = exponent - shift;  // weight of the quotient's last bit is 2^lowest
  int64_t leading =
      static_cast<int64_t>(std::bit_width(quotient)) - 1 + lowest;  // power of two of the first bit
  const bool subnormal = leading < -1022;
  const int64_t drop = subnormal ? -1074 - lowest : leading - lowest - 52;
  if (drop > 60) return 0.0;
  uint64_t mantissa = quotient >> drop;
  const uint64_t rest = quotient & ((uint64_t{1} << drop) - 1);
  const uint64_t half = uint64_t{1} << (drop - 1);
  if (rest > half || (rest == half && (inexact || (mantissa & 1) != 0))) ++mantissa;
  if (subnormal) return FromBits(mantissa);  // 2^52 here is the least normal number
  if (mantissa == uint64_t{1} << 53) {
    mantissa >>= 1;
    ++leading;
  }
  if (leading > 1023) return FromBits(kInfinityBits);
  return FromBits((static_cast<uint64_t>(leading + 1023) << 52) |
                  (mantissa & ((uint64_t{1} << 52) - 1)));
}

// Full-width forms of the printable ASCII characters become ASCII, and so do the
// full-width space, tilde and the two stars; a dangling byte is dropped.
std::string FoldFullWidth(std::string_view text) {
  std::string folded;
  folded.reserve(text.size());
  for (size_t pos = 0; pos < text.size();) {
    const unsigned char lead = ByteAt(text, pos);
    const size_t size = CharacterSize(text, pos);
    if (size == 0) break;
    if (size == 1) {
      folded.push_back(static_cast<char>(lead));
    } else {
      const unsigned char trail = ByteAt(text, pos + 1);
      if (lead == 0xA1 && trail == 0xA1) {
        folded.push_back(' ');
      } else if (lead == 0xA1 && trail == 0xAB) {
        folded.push_back('~');
      } else if (lead == 0xA1 && (trail == 0xEE || trail == 0xEF)) {
        folded.push_back('*');
      } else if (lead == 0xA3 && trail >= 0xA1 && trail <= 0xFE) {
        folded.push_back(static_cast<char>(trail - 0x80));
      } else {
        folded.append(text.substr(pos, 2));
      }
    }
    pos += size;
  }
  return folded;
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

}  // namespace

int32_t TextLength(std::string_view text) {
  return static_cast<int32_t>(text.size());
}

int CompareText(std::string_view a, std::string_view b) {
  const int order = a.compare(b);  // char_traits<char> compares bytes as unsigned
  return order < 0 ? -1 : (order > 0 ? 1 : 0);
}

int32_t LocateText(std::string_view text, std::string_view needle) {
  return Locate(text, needle, 0, false);
}

int32_t LocateText(std::string_view text, std::string_view needle, bool ignoreCase) {
  return Locate(text, needle, 0, ignoreCase);
}

int32_t LocateText(std::string_view text, std::string_view needle, int32_t start, bool ignoreCase) {
  return Locate(text, needle, int64_t{start} - 1, ignoreCase);
}

Text TextSlice(std::string_view text, int32_t start, int32_t count) {
  if (start < 1 || static_cast<size_t>(start) > text.size() || count < 1) return {};
  return Text(text.substr(static_cast<size_t>(start) - 1, static_cast<size_t>(count)));
}

TextList SplitOn(std::string_view text, std::string_view delimiter) {
  TextList members;
  if (text.empty()) return members;
  if (delimiter.empty()) {
    members.emplace_back(text);
    return members;
  }
  size_t piece = 0;
  size_t pos = 0;
  while (text.size() - pos >= delimiter.size()) {
    if (MatchesAt(text, pos, delimiter, false)) {
      members.emplace_back(text.substr(piece, pos - piece));
      pos += delimiter.size();
      piece = pos;
      continue;
    }
    const size_t step = CharacterSize(text, pos);
    if (step == 0) break;
    pos += step;
  }
  if (piece < text.size()) members.emplace_back(text.substr(piece));
  return members;
}

Text Member(const TextList& list, int32_t i) {
  return i >= 1 && static_cast<size_t>(i) <= list.size() ? list[static_cast<size_t>(i - 1)]
                                                         : Text();
}

Text ReplaceAll(std::string_view text, std::string_view what, std::string_view replacement) {
  if (text.empty() || what.empty()) return Text(text);
  Text result;
  size_t pos = 0;
  while (text.size() - pos >= what.size()) {
    if (MatchesAt(text, pos, what, false)) {
      result.append(replacement);
      pos += what.size();
      continue;
    }
    const size_t step = CharacterSize(text, pos);
    if (step == 0) {  // a dangling byte is dropped
      pos = text.size();
      break;
    }
    result.append(text.substr(pos, step));
    pos += step;
  }
  result.append(text.substr(pos));
  return result;
}

Text TrimEnds(std::string_view text) {
  size_t begin = 0;
  while (begin < text.size()) {
    const size_t blank = BlankSize(text, begin);
    if (blank == 0) break;
    begin += blank;
  }
  size_t end = text.size();
  size_t run = std::string_view::npos;  // where the latest run of blanks began
  for (size_t pos = begin; pos < text.size();) {
    const size_t step = CharacterSize(text, pos);
    if (step == 0) {  // a dangling byte goes; blanks before it stay
      end = pos;
      run = std::string_view::npos;
      break;
    }
    if (BlankSize(text, pos) != 0) {
      if (run == std::string_view::npos) run = pos;
    } else {
      run = std::string_view::npos;
    }
    pos += step;
  }
  if (run != std::string_view::npos) end = run;
  return Text(text.substr(begin, end - begin));
}

double ParseNumber(std::string_view text) {
  const std::string folded = FoldFullWidth(text);
  size_t pos = 0;
  while (pos < folded.size() &&
         (folded[pos] == ' ' || (folded[pos] >= 0x09 && folded[pos] <= 0x0D))) {
    ++pos;
  }
  bool negative = false;
  if (pos < folded.size() && (folded[pos] == '+' || folded[pos] == '-')) {
    negative = folded[pos] == '-';
    ++pos;
  }
  std::string digits;  // significant digits, no leading zeros
  int64_t exponent = 0;
  bool anyDigit = false;
  bool point = false;
  for (; pos < folded.size(); ++pos) {
    const char c = folded[pos];
    if (c == '.' && !point) {
      point = true;
    } else if (IsDigit(c)) {
      anyDigit = true;
      if (point) --exponent;
      if (c != '0' || !digits.empty()) digits.push_back(c);
    } else {
      break;
    }
  }
  if (!anyDigit) return 0.0;

  const char letter = pos < folded.size() ? folded[pos] : '\0';
  if (letter == 'e' || letter == 'E' || letter == 'd' || letter == 'D') {
    size_t at = pos + 1;
    bool negativeExponent = false;
    if (at < folded.size() && (folded[at] == '+' || folded[at] == '-')) {
      negativeExponent = folded[at] == '-';
      ++at;
    }
    if (at < folded.size() && IsDigit(folded[at])) {
      // Held below 10^9 so that it cannot overflow; any such exponent is beyond every double.
      int64_t written = 0;
      for (; at < folded.size() && IsDigit(folded[at]); ++at) {
        written = std::min<int64_t>(written * 10 + (folded[at] - '0'), 1000000000);
      }
      exponent += negativeExponent ? -written : written;
    }
  }

  while (!digits.empty() && digits.back() == '0') {
    digits.pop_back();
    ++exponent;
  }
  const double magnitude = digits.empty() ? 0.0 : DecimalToDouble(digits, exponent);
  return negative ? -magnitude : magnitude;
}

int32_t TruncateToInt(double number) {
  // -2^63 <= number < 2^63, false for not-a-number too.
  const bool fits = number >= -9223372036854775808.0 && number < 9223372036854775808.0;
  const int64_t whole = fits ? static_cast<int64_t>(number) : std::numeric_limits<int64_t>::min();
  return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(whole)));
}

Text NumberText(int32_t value) {
  char buffer[16];
  const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
  return Text(buffer, end);
}

Text NumberText(double value) {
  uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  const bool negative = (bits >> 63) != 0;
  const int biased = static_cast<int>((bits >> 52) & 0x7FF);
  const uint64_t fraction = bits & ((uint64_t{1} << 52) - 1);
  const Text sign = negative ? "-" : "";
  if (biased == 0x7FF) return fraction != 0 ? Text("nan") : sign + "inf";
  if (biased == 0 && fraction == 0) return sign + "0";

  // The value as digits × 10^scale: exact for whole numbers; for the others some twenty
  // digits cut from value × 10^k, with a note whether anything was cut.
  const uint64_t mantissa = biased == 0 ? fraction : fraction | (uint64_t{1} << 52);
  const int64_t binary = (biased == 0 ? 1 : biased) - 1075;
  Big exact{static_cast<uint32_t>(mantissa), static_cast<uint32_t>(mantissa >> 32)};
  Trim(exact);
  int64_t scale = 0;
  bool cut = false;
  if (binary >= 0) {
    ShiftLeft(exact, binary);
  } else {
    // floor(log10(2) × exponent of the first bit), give or take one: 10^20 <= value × 10^k.
    const int64_t estimate =
        ((static_cast<int64_t>(std::bit_width(mantissa)) - 1 + binary) * 78913) >> 18;
    const int64_t k = 20 - estimate;
    MultiplyPowerOfFive(exact, k);
    if (k + binary >= 0) {
      ShiftLeft(exact, k + binary);
    } else {
      cut = ShiftRight(exact, -(k + binary));
    }
    scale = -k;
  }
  std::string digits = DecimalDigits(exact);
  int power = static_cast<int>(static_cast<int64_t>(digits.size()) - 1 + scale);  // first digit

  // Thirteen significant digits, ties to even as the C library rounds.
  constexpr size_t kPrecision = 13;
  if (digits.size() > kPrecision) {
    const char next = digits[kPrecision];
    const bool beyond = cut || digits.find_first_not_of('0', kPrecision + 1) != std::string::npos;
    const bool odd = (digits[kPrecision - 1] - '0') % 2 != 0;
    digits.resize(kPrecision);
    if (next > '5' || (next == '5' && (beyond || odd))) {
      size_t i = kPrecision;
      while (i > 0 && digits[i - 1] == '9')
        digits[--i] = '0';
      if (i == 0) {
        digits.insert(digits.begin(), '1');
        digits.pop_back();
        ++power;
      } else {
        ++digits[i - 1];
      }
    }
  }
  while (digits.size() > 1 && digits.back() == '0')
    digits.pop_back();

  Text result = sign;
  if (power < -4 || power >= static_cast<int>(kPrecision)) {
    result.push_back(digits[0]);
    if (digits.size() > 1) result.append(".").append(digits, 1);
    const std::string exponentDigits = std::to_string(power < 0 ? -power : power);
    result.append(power < 0 ? "e-" : "e+");
    if (exponentDigits.size() < 3) result.append(3 - exponentDigits.size(), '0');
    result.append(exponentDigits);
  } else if (power < 0) {
    result.append("0.").append(static_cast<size_t>(-power - 1), '0').append(digits);
  } else {
    const size_t whole = static_cast<size_t>(power) + 1;
    if (digits.size() <= whole) {
      result.append(digits).append(whole - digits.size(), '0');
    } else {
      result.append(digits, 0, whole).append(".").append(digits, whole);
    }
  }
  return result;
}

Text BytesToText(std::string_view bytes) {
  return Text(bytes.substr(0, bytes.find('\0')));
}

}  // namespace quillora
