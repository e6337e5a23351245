// The text and number primitives on GBK bytes: trail bytes that look like ASCII, dangling
// last bytes, empty texts, positions out of range, and numbers read and written the same
// way on both builds.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "primitives/text.hpp"

#ifndef _WIN32
#include <cstdio>
#include <cstdlib>
#include <random>
#endif

namespace quillora {
namespace {

constexpr int32_t kNoStart = std::numeric_limits<int32_t>::min() + 1;  // marks "start absent"
constexpr double kInfinity = std::numeric_limits<double>::infinity();

uint64_t Bits(double value) {
  uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

// Compares bit patterns, so -0 differs from 0 and a result one unit off is caught.
#define EXPECT_SAME_DOUBLE(actual, expected) \
  EXPECT_EQ(Bits(actual), Bits(expected)) << (actual) << " vs " << (expected)

TEST(TextLength, CountsBytesNotCharacters) {
  EXPECT_EQ(TextLength(""), 0);
  EXPECT_EQ(TextLength("ab"), 2);
  EXPECT_EQ(TextLength("真心话"), 6);
  EXPECT_EQ(TextLength("\x81"), 1);  // a dangling byte is still a byte
}

TEST(Concat, EmptyPartsContributeNothing) {
  EXPECT_EQ(Concat(Text("ab"), Text(""), Text("cd")), "abcd");
  EXPECT_EQ(Concat(Text(""), Text("")), "");
  EXPECT_EQ(Concat(Text("【"), Text("Ann"), "】"), "【Ann】");
}

TEST(CompareText, OrdersUnsignedBytesAndPrefixes) {
  struct Case {
    const char* a;
    const char* b;
    int expected;
  };
  const Case cases[] = {
      {"", "", 0},       {"abc", "abc", 0},
      {"a", "b", -1},    {"b", "a", 1},
      {"ab", "abc", -1}, {"abc", "ab", 1},
      {"", "a", -1},     {"\x80", "a", 1},
      {"a", "\xFF", -1}, {"\xB0\xA1", "\xB0\xA2", -1},
      {"A", "a", -1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CompareText(c.a, c.b), c.expected) << '"' << c.a << "\" vs \"" << c.b << '"';
  }
}

TEST(LocateText, FindsMatchesOnlyWhereACharacterBegins) {
  struct Case {
    const char* text;
    const char* needle;
    int32_t start;  // kNoStart: the forms without a start
    bool ignoreCase;
    int32_t expected;
  };
  const Case cases[] = {
      {"abc", "b", kNoStart, false, 2},
      {"abc", "d", kNoStart, false, -1},
      {"abc", "abcd", kNoStart, false, -1},
      {"", "a", kNoStart, false, -1},
      // The empty needle: 1 while anything is left to search, whatever the start.
      {"abc", "", kNoStart, false, 1},
      {"", "", kNoStart, false, -1},
      {"abc", "", 3, true, 1},
      {"abc", "", 4, true, -1},
      // Start past the end, at or below 0, and a found position counted from the text's start.
      {"abc", "c", 4, true, -1},
      {"abc", "c", 1000, true, -1},
      {"abcabc", "b", 0, true, 2},
      {"abcabc", "b", -5, true, 2},
      {"abcabc", "b", std::numeric_limits<int32_t>::min(), true, 2},
      {"abcabc", "b", 3, true, 5},
      {"abcabc", "bc", 5, true, 5},
      {"abcabc", "bca", 5, true, -1},
      // Trail bytes equal to "|" or to a letter are not characters of their own.
      {"\x81\x7C", "|", kNoStart, false, -1},
      {"\x81\x7C|", "|", kNoStart, false, 3},
      {"\x81\x41"
       "A",
       "A", kNoStart, false, 3},
      {"\x81\x61", "a", kNoStart, true, -1},
      {"\xB0\xA1\xB0\xA1", "\xA1\xB0", kNoStart, false, -1},
      // A start on a trail byte reads that byte as where a character begins.
      {"\x81\x7C|", "|", 2, false, 2},
      // A dangling last byte is compared once, then the scan stops.
      {"a\x81", "\x81", kNoStart, false, 2},
      {"ab\x81", "\x81x", kNoStart, false, -1},
      // Case folding of A to Z only, on every compared byte.
      {"name=bob", "NAME=", kNoStart, true, 1},
      {"NAME=BOB", "name=b", kNoStart, true, 1},
      {"name=bob", "NAME=", kNoStart, false, -1},
      {"[", "{", kNoStart, true, -1},
      {"@", "`", kNoStart, true, -1},
      {"\xC0", "\xE0", kNoStart, true, -1},
      {"\x81\x61", "\x81\x41", kNoStart, true, 1},
      {"\x81\x61", "\x81\x41", kNoStart, false, -1},
      {"xx\x81\x41", "\x81\x61", 2, true, 3},
  };
  for (const Case& c : cases) {
    const int32_t found = c.start == kNoStart ? (c.ignoreCase ? LocateText(c.text, c.needle, true)
                                                              : LocateText(c.text, c.needle))
                                              : LocateText(c.text, c.needle, c.start, c.ignoreCase);
    EXPECT_EQ(found, c.expected) << '"' << c.text << "\" needle \"" << c.needle << "\" start "
                                 << c.start << " ignoreCase " << c.ignoreCase;
  }
}

TEST(TextSlice, CutsBytesAndGivesEmptyOutOfRange) {
  constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
  struct Case {
    const char* text;
    int32_t start;
    int32_t count;
    const char* expected;
  };
  const Case cases[] = {
      {"abc", 1, 3, "abc"}, {"abc", 3, 1, "c"},
      {"abc", 2, 5, "bc"},  {"abc", 1, kMax, "abc"},
      {"abc", 0, 1, ""},    {"abc", -1, 2, ""},
      {"abc", 4, 1, ""},    {"abc", kMax, 1, ""},
      {"abc", 1, 0, ""},    {"abc", 1, -1, ""},
      {"", 1, 1, ""},       {"\xB0\xA1x", 2, 2, "\xA1x"},  // may split a two-byte character
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TextSlice(c.text, c.start, c.count), c.expected)
        << '"' << c.text << "\" " << c.start << ", " << c.count;
  }
}

TEST(SplitOn, KeepsEmptyMembersButNoEmptyLastOne) {
  struct Case {
    const char* text;
    const char* delimiter;
    TextList expected;
  };
  const Case cases[] = {
      {"", "|", {}},
      {"a|b", "", {"a|b"}},
      {"a", "|", {"a"}},
      {"a|b|", "|", {"a", "b"}},
      {"|", "|", {""}},
      {"||", "|", {"", ""}},
      {"a||b", "|", {"a", "", "b"}},
      {"|a", "|", {"", "a"}},
      {"\x81\x7C|b", "|", {"\x81\x7C", "b"}},
      {"a\x81|", "|", {"a\x81|"}},  // "|" is the trail byte here
      {"a|\x81", "|", {"a", "\x81"}},
      {"\x81", "|", {"\x81"}},
      {"a\nb\n", "\r\n", {"a\nb\n"}},
      {"a\r\n\r\nb", "\r\n", {"a", "", "b"}},
      {"a\r\nb\r\n", "\r\n", {"a", "b"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SplitOn(c.text, c.delimiter), c.expected)
        << '"' << c.text << "\" on \"" << c.delimiter << '"';
  }
}

TEST(Member, GivesTheEmptyTextOutsideTheList) {
  const TextList list = {"a", "b"};
  EXPECT_EQ(Member(list, 1), "a");
  EXPECT_EQ(Member(list, 2), "b");
  for (int32_t outside :
       {0, -1, 3, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()}) {
    EXPECT_EQ(Member(list, outside), "") << outside;
  }
  EXPECT_EQ(Member({}, 1), "");
}

TEST(ReplaceAll, ReplacesEveryOccurrenceInOnePass) {
  struct Case {
    const char* text;
    const char* what;
    const char* replacement;
    const char* expected;
  };
  const Case cases[] = {
      {"abc", "", "x", "abc"},
      {"", "a", "x", ""},
      {"aaa", "aa", "b", "ba"},
      {"ab", "a", "aa", "aab"},  // the replacement is not searched again
      {"a\xB0\xA1"
       "b\xB0\xA1\xB0\xA1",
       "\xB0\xA1", "-", "a-b--"},
      {"ABC", "b", "x", "ABC"},
      {"\x81\x7C", "|", "x", "\x81\x7C"},
      {"\x81\x41", "A", "x", "\x81\x41"},
      {"2014年2月13日", "年", "/", "2014/2月13日"},
      // A dangling byte reached by stepping is dropped; one left behind the scan stays.
      {"ab\x81", "x", "y", "ab"},
      {"ab\x81", "xy", "z", "ab\x81"},
      {"a\x81", "\x81", "z", "az"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ReplaceAll(c.text, c.what, c.replacement), c.expected)
        << '"' << c.text << "\" \"" << c.what << "\" -> \"" << c.replacement << '"';
  }
}

TEST(TrimEnds, RemovesSpacesAndFullWidthSpacesAtBothEnds) {
  struct Case {
    const char* text;
    const char* expected;
  };
  const Case cases[] = {
      {"", ""},
      {" ", ""},
      {"  a b  ", "a b"},
      {"\xA1\xA1"
       "a\xA1\xA1 ",
       "a"},
      {" \xA1\xA1 \xA1\xA1", ""},
      {"a\xA1\xA1"
       "b",
       "a\xA1\xA1"
       "b"},
      {"\ta\r\n", "\ta\r\n"},
      {" \ta\t ", "\ta\t"},
      // A dangling byte goes, and blanks before it stay.
      {"a \x81", "a "},
      {"\x81", ""},
      {"x\xB0\xA1\xA1", "x\xB0\xA1"},
      // Trail bytes of 0xA1 do not make a full-width space.
      {"\xB0\xA1\xA1\xA1", "\xB0\xA1"},
      {"\xA1\xB0\xA1\xA1", "\xA1\xB0"},
      {"\xA1 a", "\xA1 a"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TrimEnds(c.text), c.expected) << '"' << c.text << '"';
  }
}

TEST(ParseNumber, ReadsTheLongestNumberAtTheStart) {
  struct Case {
    const char* text;
    double expected;
  };
  const Case cases[] = {
      {"", 0},
      {"10abc", 10},
      {"  7", 7},
      {"\t\n\v\f\r 4", 4},
      {"abc", 0},
      {"0x1A", 0},
      {"1,000", 1},
      {"1.2.3", 1.2},
      {"-0.5", -0.5},
      {"+3", 3},
      {"- 3", 0},
      {"5.", 5},
      {".5", 0.5},
      {".", 0},
      {"-", 0},
      {"+.e5", 0},
      {"inf", 0},
      {"nan", 0},
      {"1e3", 1000},
      {"2d2", 200},
      {"2D-1", 0.2},
      {"1E+2x", 100},
      {"1e", 1},
      {"1e+", 1},
      {"1ex", 1},
      {"1e 2", 1},
      {"000000000000000000000000000001", 1},
      {"0.0000000000000000000000000000000001e34", 1},
      {"7\x81", 7},
      {"\x81", 0},
      // Full-width forms: digits, space, minus, point, letter E; other characters stay.
      {"\xA3\xB1\xA3\xB2", 12},
      {"\xA1\xA1"
       "8",
       8},
      {"\xA3\xAD"
       "3",
       -3},
      {"\xA3\xAE"
       "5",
       0.5},
      {"1\xA3\xC5"
       "2",
       100},
      {"1\xA3\xE4"
       "2",
       100},
      {"3\xA1\xA1"
       "4",
       3},
      {"\xA3\xA0"
       "1",
       0},
      {"\xA1\xAB"
       "1",
       0},
      {"\xA1\xEE"
       "1",
       0},
  };
  for (const Case& c : cases) {
    EXPECT_SAME_DOUBLE(ParseNumber(c.text), c.expected) << " for \"" << c.text << '"';
  }
  EXPECT_TRUE(std::signbit(ParseNumber("-0")));
}

TEST(ParseNumber, RoundsToTheNearestDoubleOnBothBuilds) {
  // The compiler converts the literals exactly; the 32-bit build's x87 unit would round
  // some of these twice if the conversion used floating-point arithmetic.
  struct Case {
    const char* text;
    double expected;
  };
  const Case cases[] = {
      {"0.1", 0.1},
      {"9007199254740993", 9007199254740992.0},
      {"9007199254740995", 9007199254740996.0},
      {"8282569733697053e5", 8282569733697053e5},
      {"8966534596570653e5", 8966534596570653e5},
      {"123456789012345678901234567890", 123456789012345678901234567890.0},
      {"1.7976931348623157e308", 1.7976931348623157e308},
      {"1.7976931348623158e308", 1.7976931348623157e308},
      {"1.7976931348623159e308", kInfinity},
      {"1e400", kInfinity},
      {"1e99999999999999999999", kInfinity},
      {"2.2250738585072014e-308", 2.2250738585072014e-308},
      {"2.2250738585072011e-308", 2.2250738585072011e-308},
      {"4.9406564584124654e-324", 4.9406564584124654e-324},
      {"2.4703282292062328e-324", 4.9406564584124654e-324},
      {"2.4703282292062327e-324", 0},
      {"1e-400", 0},
      {"1e-99999999999999999999", 0},
      {"0e99999999", 0},
  };
  for (const Case& c : cases) {
    EXPECT_SAME_DOUBLE(ParseNumber(c.text), c.expected) << " for \"" << c.text << '"';
  }

  // 1 + 2^-53 lies halfway between 1 and the next double: it rounds to even, unless a
  // nonzero digit follows far beyond the digits that are kept exactly.
  const std::string halfway = "1.00000000000000011102230246251565404236316680908203125";
  EXPECT_SAME_DOUBLE(ParseNumber(halfway), 1.0);
  EXPECT_SAME_DOUBLE(ParseNumber(halfway + std::string(2000, '0') + "1"), 1.0000000000000002);
  EXPECT_SAME_DOUBLE(ParseNumber(halfway + std::string(2000, '0')), 1.0);
  EXPECT_SAME_DOUBLE(ParseNumber(std::string(400, '9')), kInfinity);
}

TEST(TruncateToInt, TruncatesTowardZeroAndWrapsThrough64Bits) {
  constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
  constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
  struct Case {
    double number;
    int32_t expected;
  };
  const Case cases[] = {
      {0, 0},
      {2.9, 2},
      {-2.9, -2},
      {-0.5, 0},
      {2147483647.0, kMax},
      {2147483648.0, kMin},
      {-2147483648.0, kMin},
      {-2147483649.0, kMax},
      {3e9, -1294967296},
      {4294967296.0, 0},
      {4294967301.0, 5},
      {4611686020574871552.0, kMin},   // 2^62 + 2^31
      {9223372036854774784.0, -1024},  // the largest double below 2^63
      {9223372036854775808.0, 0},      // 2^63 is out of range
      {-9223372036854775808.0, 0},     // -2^63 itself
      {1e19, 0},
      {-1e19, 0},
      {kInfinity, 0},
      {-kInfinity, 0},
      {std::numeric_limits<double>::quiet_NaN(), 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TruncateToInt(c.number), c.expected) << c.number;
  }
}

TEST(NumberText, WritesIntegersInPlainDecimal) {
  struct Case {
    int32_t value;
    const char* expected;
  };
  const Case cases[] = {
      {0, "0"},
      {-5, "-5"},
      {1234, "1234"},
      {std::numeric_limits<int32_t>::max(), "2147483647"},
      {std::numeric_limits<int32_t>::min(), "-2147483648"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(NumberText(c.value), c.expected);
  }
}

TEST(NumberText, WritesNumbersWithThirteenDigitsAndThreeExponentDigits) {
  struct Case {
    double value;
    const char* expected;
  };
  const Case cases[] = {
      {90.0, "90"},
      {0.5, "0.5"},
      {-10.0, "-10"},
      {7.0 - 10.0, "-3"},
      {0.0, "0"},
      {-0.0, "-0"},
      {123.456, "123.456"},
      {0.1, "0.1"},
      {1.0 / 3, "0.3333333333333"},
      {2.0 / 3, "0.6666666666667"},
      {0.0001, "0.0001"},
      {0.00012345, "0.00012345"},
      {1e-5, "1e-005"},
      {-1.25e-7, "-1.25e-007"},
      {1e12, "1000000000000"},
      {1234567890123.0, "1234567890123"},
      {9999999999999.0, "9999999999999"},
      {-9999999999999.0, "-9999999999999"},
      {1e13, "1e+013"},
      {1.5e13, "1.5e+013"},
      {12345678901234.0, "1.234567890123e+013"},
      {99999999999994.0, "9.999999999999e+013"},
      {99999999999995.0, "1e+014"},  // rounding carries into a new digit
      {9999999999999.5, "1e+013"},
      {10000000000005.0, "1e+013"},               // a tie goes to the even digit
      {10000000000015.0, "1.000000000002e+013"},  // and up from an odd one
      {1e100, "1e+100"},
      {1e300, "1e+300"},
      {1.7976931348623157e308, "1.797693134862e+308"},
      {2.2250738585072014e-308, "2.225073858507e-308"},
      {4.9406564584124654e-324, "4.940656458412e-324"},
      {kInfinity, "inf"},
      {-kInfinity, "-inf"},
      {std::numeric_limits<double>::quiet_NaN(), "nan"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(NumberText(c.value), c.expected);
  }
}

TEST(BytesToText, StopsAtTheFirstZeroByte) {
  using namespace std::string_literals;
  EXPECT_EQ(BytesToText("ab\0cd"s), "ab");
  EXPECT_EQ(BytesToText("\0ab"s), "");
  EXPECT_EQ(BytesToText(""), "");
  EXPECT_EQ(BytesToText("abc"), "abc");
}

#ifndef _WIN32
// glibc reads and prints numbers exactly; the plugin's own conversions must agree with it
// on every value (up to the width of the exponent), as both builds rely on them.
TEST(NumberConversion, AgreesWithTheCLibraryOnRandomValues) {
  std::mt19937_64 random(20240611);
  for (int i = 0; i < 10000; ++i) {
    std::string text;
    if (random() % 2 != 0) text += '-';
    const int digits = 1 + static_cast<int>(random() % 30);
    const int point = static_cast<int>(random() % static_cast<uint64_t>(digits + 1));
    for (int d = 0; d < digits; ++d) {
      if (d == point) text += '.';
      text += static_cast<char>('0' + random() % 10);
    }
    text += 'e' + std::to_string(static_cast<int>(random() % 700) - 350);
    const double expected = std::strtod(text.c_str(), nullptr);
    EXPECT_SAME_DOUBLE(ParseNumber(text), expected) << " for " << text;
  }
  for (int i = 0; i < 10000; ++i) {
    const uint64_t bits = random();
    double value;
    std::memcpy(&value, &bits, sizeof value);
    if (!std::isfinite(value)) continue;
    char printed[64];
    std::snprintf(printed, sizeof printed, "%.13g", value);
    std::string expected = printed;
    const size_t e = expected.find('e');
    if (e != std::string::npos && expected.size() - e == 4) expected.insert(e + 2, "0");
    EXPECT_EQ(NumberText(value), expected);
  }
}
#endif

}  // namespace
}  // namespace quillora
