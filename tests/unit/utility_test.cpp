// The text utilities: text between two markers, removal of spaces and line breaks, and
// the date texts.
#include <gtest/gtest.h>

#include <ctime>

#include "primitives/platform.hpp"
#include "utility/text_utility.hpp"

namespace quillora {
namespace {

TEST(TextBetweenTest, CutsBetweenTheFirstLeftMarkerAndTheFirstRightMarkerBehindIt) {
  struct Case {
    const char* name;
    Text text;
    Text left;
    Text right;
    Text between;
  };
  const Case cases[] = {
      {"both markers", "<a>Bob</a>", "<a>", "</a>", "Bob"},
      {"case of the markers is ignored", "Name=Bob;", "name=", ";", "Bob"},
      {"case of the text is ignored", "NAME=Bob;", "name=", ";", "Bob"},
      {"markers that touch", "a[]b", "[", "]", ""},
      {"the first left marker counts", "[1][2]", "[", "]", "1"},
      {"the right marker is searched behind the left one", "a;b[c;d", "[", ";", "c"},
      {"left marker found, no right marker behind it", "x;y[z", "[", ";", ""},
      {"left marker missing, one byte: start 0", "abc;def", "x", ";", ""},
      {"left marker missing, two bytes: from the first byte", "abc;def", "xy", ";", "abc"},
      {"left marker missing, two bytes, no right marker", "abc", "xy", ";", ""},
      {"left marker missing, three bytes: from byte 2", "abc;def", "xyz", ";", "bc"},
      {"left marker missing, four bytes: from byte 3", "abc;def", "wxyz", ";", "c"},
      {"left marker missing, right marker before byte L-1", ";bcdef;", "wxyz", ";", "cdef"},
      {"right marker missing", "abc", "a", "z", ""},
      {"empty left marker: from the first byte", "abc;d", "", ";", "abc"},
      {"empty right marker", "abc", "a", "", ""},
      {"empty text", "", "a", "b", ""},
      {"everything empty", "", "", "", ""},
      {"a right marker at the very end", "k=v;", "k=", ";", "v"},
      {"GBK between the markers", "\"小红\",0]", "\"", "\",0]", "小红"},
      // 0x81 0x5B is one character whose second byte is "[": only the real "[" counts.
      {"a marker byte inside a two-byte character", "\x81\x5Bx[yz]", "[", "]", "yz"},
      {"a right marker byte inside a two-byte character", "[y\x81\x5Dz]", "[", "]", "y\x81\x5Dz"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(取文本之间(c.text, c.left, c.right), c.between);
  }
}

TEST(StripBlanksTest, RemovesSpacesThenCrLfThenBackslashR) {
  struct Case {
    const char* name;
    Text text;
    Text stripped;
  };
  const Case cases[] = {
      {"space and CR LF", "x y\r\nz", "xyz"},
      {"CR, space, LF become a CR LF pair and go", "\r \n", ""},
      {"a CR LF pair made by the second pass stays", "\r\r\n\n", "\r\n"},
      {"backslash, CR LF, r go whole", "a\\\r\nrb", "ab"},
      {"backslash r", "C:\\root\\run", "C:ootun"},
      {"lone CR, lone LF, tab stay", "a\rb\nc\td", "a\rb\nc\td"},
      {"full-width space stays", "a　b", "a　b"},
      {"capital R stays", "a\\Rb", "a\\Rb"},
      {"LF CR is no pair", "a\n\rb", "a\n\rb"},
      {"a dangling last byte is dropped", "ab \xB0", "ab"},
      // 0x81 0x5C is one character: its second byte is no backslash.
      {"no backslash inside a two-byte character", "\x81\x5Cr", "\x81\x5Cr"},
      {"GBK text", "真 心 话\r\n", "真心话"},
      {"empty", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(去空格换行(c.text), c.stripped);
  }
}

TEST(DateTextTest, WritesYearMonthDayWithoutLeadingZeros) {
  struct Case {
    DateTime date;
    Text dateText;
    Text slashes;
  };
  const Case cases[] = {
      {{2014, 2, 3, 0, 0, 0}, "2014年2月3日", "2014/2/3"},
      {{2014, 2, 13, 23, 59, 59}, "2014年2月13日", "2014/2/13"},
      {{2023, 12, 5, 12, 0, 0}, "2023年12月5日", "2023/12/5"},
      {{2000, 10, 10, 8, 5, 1}, "2000年10月10日", "2000/10/10"},
      {{1999, 1, 1, 0, 0, 0}, "1999年1月1日", "1999/1/1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.dateText);
    EXPECT_EQ(DateText(c.date), c.dateText);
    EXPECT_EQ(时间格式化(c.date), c.slashes);
  }
}

TEST(DateTextTest, TodayIsTheLocalDate) {
  // Read the clock on both sides, in case the date changes in between.
  const DateTime before = Now();
  const Text today = 时间格式化();
  const DateTime after = Now();
  EXPECT_TRUE(today == 时间格式化(before) || today == 时间格式化(after)) << today;

  const std::time_t seconds = std::time(nullptr);
  const std::tm* local = std::localtime(&seconds);
  const DateTime now = Now();
  EXPECT_EQ(now.year, local->tm_year + 1900);
  EXPECT_EQ(now.month, local->tm_mon + 1);
  EXPECT_EQ(now.day, local->tm_mday);
  EXPECT_EQ(now.hour, local->tm_hour);
  EXPECT_GE(now.second, 0);
  EXPECT_LE(now.second, 60);
}

}  // namespace
}  // namespace quillora
