// Scripts for `quillora-chat run`: expectations must catch every difference, or an
// end-to-end script passes whatever the plugin says.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "chat/session.hpp"
#include "run_directory.hpp"

namespace quillora::chat {
namespace {

std::string U8(const char8_t* text) {
  return reinterpret_cast<const char*>(text);
}

std::vector<Expectation> Parse(const std::vector<std::string>& lines) {
  std::vector<Expectation> expectations;
  for (const std::string& line : lines) {
    Expectation expectation;
    std::string problem;
    EXPECT_TRUE(ParseExpectation(line, &expectation, &problem)) << line << ": " << problem;
    expectations.push_back(expectation);
  }
  return expectations;
}

TEST(Expectations, MatchTheOutputLineForLine) {
  const struct {
    const char* name;
    std::string output;
    std::vector<std::string> expected;
    bool met;
  } cases[] = {
      {"same line", "ok", {"> ok"}, true},
      {"other text", "ok", {"> okay"}, false},
      {"trailing blank counts", "ok ", {"> ok"}, false},
      {"several lines", "a\nb", {"> a", "> b"}, true},
      {"a line too few", "a\nb", {"> a"}, false},
      {"a line too many", "a", {"> a", "> b"}, false},
      {"empty line", "a\n\nb", {"> a", ">", "> b"}, true},
      {"empty last line", "a\n", {"> a", ">"}, true},
      {"Chinese and emoji",
       U8(u8"【阿青】你已加入了游戏😅"),
       {U8(u8"> 【阿青】你已加入了游戏😅")},
       true},
      {"regex matches the whole line",
       U8(u8"真心话题目：你怕黑吗"),
       {U8(u8">~ 真心话题目：.+")},
       true},
      {"regex must match all of it", "xabcx", {">~ abc"}, false},
      {"regex alternatives",
       U8(u8"还有2人没有说出真心话😱"),
       {U8(u8">~ 中途结束游戏.*|还有2人没有说出真心话😱")},
       true},
      {"regex on an empty line", "", {">~ .+"}, false},
      {"silence", "", {">silent"}, true},
      {"silence broken", "hello", {">silent"}, false},
      {"silence with lines", "", {">silent", "> x"}, false},
      {"a line expected, nothing said", "", {"> "}, false},
      {"escapes: a long line in short", std::string(300, 'x'), {">\\ \\*300{x}"}, true},
      {"escapes: one byte short", std::string(300, 'x'), {">\\ \\*299{x}"}, false},
      {"escapes: a backslash", "a\\b", {">\\ a\\\\b"}, true},
      {"no escapes in a plain line", "a\\b", {"> a\\b"}, true},
  };
  for (const auto& c : cases) {
    const std::string unmet = UnmetExpectations(c.output, Parse(c.expected));
    EXPECT_EQ(unmet.empty(), c.met) << c.name << ": " << unmet;
  }
}

TEST(Expectations, RefuseLinesOfNoKnownForm) {
  for (const std::string line :
       {">x", ">~x", ">~ (unclosed", ">silentx", ">> x", ">\\x", ">\\ \\q", ">\\ \\*2{x"}) {
    Expectation expectation;
    std::string problem;
    EXPECT_FALSE(ParseExpectation(line, &expectation, &problem)) << line;
    EXPECT_FALSE(problem.empty()) << line;
  }
}

TEST(Escapes, StandForTheBytesOfAMessage) {
  const struct {
    const char* name;
    std::string text;
    bool toGbk;
    std::string bytes;
  } cases[] = {
      {"plain", "plain text", true, "plain text"},
      {"line breaks", "a\\r\\nb\\rc\\n", true, "a\r\nb\rc\n"},
      {"a backslash", "a\\\\b", true, "a\\b"},
      {"bytes as they are, either case", "\\x81\\x5b\\xFF\\x00", true,
       std::string("\x81\x5B\xFF\0", 4)},
      {"characters become GBK", U8(u8"中\\x81"), true, "中\x81"},
      {"or stay UTF-8", U8(u8"中\\x81"), false, U8(u8"中") + "\x81"},
      {"a repetition", "<\\*3{ab}>", true, "<ababab>"},
      {"escapes inside a repetition", "\\*2{\\x81\\r}", true, "\x81\r\x81\r"},
      {"characters inside a repetition", U8(u8"\\*2{中}"), true, "中中"},
      {"nested repetitions", "\\*2{a\\*2{b}}", true, "abbabb"},
      {"no times", "a\\*0{x}b", true, "ab"},
      {"20,000 bytes", "\\*20000{x}", true, std::string(20000, 'x')},
      {"a brace outside a repetition", "{x}", true, "{x}"},
  };
  for (const auto& c : cases) {
    std::string bytes;
    std::string problem;
    EXPECT_TRUE(DecodeEscapes(c.text, c.toGbk, &bytes, &problem)) << c.name << ": " << problem;
    EXPECT_EQ(bytes, c.bytes) << c.name;
  }
}

TEST(Escapes, RefuseWhatTheyCannotRead) {
  for (const std::string text :
       {"a\\", "a\\q", "\\x8", "\\xG1", "\\*{x}", "\\*3x", "\\*3{x", "\\*2{a\\*2{b}",
        "\\*2000000{x}", "\\*99999999999999999999999{x}", "\\*1024{\\*1025{x}}"}) {
    std::string bytes;
    std::string problem;
    EXPECT_FALSE(DecodeEscapes(text, true, &bytes, &problem)) << text;
    EXPECT_FALSE(problem.empty()) << text;
  }
  // A character that GBK lacks is sent as "?", and the caller is told.
  std::string bytes;
  std::string problem;
  bool lossless = true;
  EXPECT_TRUE(DecodeEscapes(U8(u8"a한\\x81"), true, &bytes, &problem, &lossless));
  EXPECT_EQ(bytes, "a?\x81");
  EXPECT_FALSE(lossless);
}

TEST(Escapes, ShowEveryByteOfAGbkText) {
  const struct {
    const char* name;
    std::string gbk;
    std::string shown;
  } cases[] = {
      {"plain", "k=v [2002] |", "k=v [2002] |"},
      {"characters", "中文　；", U8(u8"中文　；")},
      {"a backslash", "a\\b", "a\\\\b"},
      {"a second byte 0x5C is part of its character", "\x81\x5C", U8(u8"乗")},
      {"a lead byte takes the \"[\" after it", "\x81[2002]", U8(u8"乕2002]")},
      {"control bytes", std::string("\r\n\t\x7F\0", 5), "\\r\\n\\x09\\x7F\\x00"},
      {"a lead byte at the end", "x\x81", "x\\x81"},
      {"a lead byte before a line break", "\x81\r\n", "\\x81\\r\\n"},
      {"bytes that lead nothing", "\x80\xFF\x41", "\\x80\\xFFA"},
      {"a user-defined character", "\xAA\xA1", "\\xAA\\xA1"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(EscapedText(c.gbk), c.shown) << c.name;
    // What is shown can be sent back as the same bytes.
    std::string bytes;
    std::string problem;
    EXPECT_TRUE(DecodeEscapes(c.shown, true, &bytes, &problem)) << c.name << ": " << problem;
    EXPECT_EQ(bytes, c.gbk) << c.name;
  }
}

TEST(Sections, ShowEveryLineOfEverySectionOfThatName) {
  const struct {
    const char* name;
    std::string file;
    std::string section;
    std::vector<std::string> lines;
  } cases[] = {
      {"one section", "[a]\r\nk=1\r\n[b]\r\nk=2\r\n[c]\r\n", "b", {"[b]", "k=2"}},
      {"the last section", "[a]\r\nk=1\r\n[b]\r\nk=2", "b", {"[b]", "k=2"}},
      {"names as profiles match them",
       "[ Quillora ]\r\nk=1\r\n",
       "quillora",
       {"[ Quillora ]", "k=1"}},
      {"characters in the name",
       "[Quillora路径]\r\n路径=x\\y.ini\r\n",
       "Quillora路径",
       {U8(u8"[Quillora路径]"), U8(u8"路径=x\\\\y.ini")}},
      {"every section of the name",
       "[2002]\r\nx=1\r\n[3003]\r\ny=2\r\n[2002]\r\nz=3\r\n",
       "2002",
       {"[2002]", "x=1", "[2002]", "z=3"}},
      {"lone line ends, which readers take as line ends too",
       "[a]\r\nk=1\nj=2\rm=3",
       "a",
       {"[a]", "k=1\\n", "j=2\\r", "m=3"}},
      {"a section opened after a lone LF",
       "[x]\r\nv=a\n[2002]\n流程=0\r\n",
       "2002",
       {"[2002]\\n", U8(u8"流程=0")}},
      {"blank lines left out", "[a]\r\n\r\n \t\r\nk=1\r\n\r\n[b]\r\n", "a", {"[a]", "k=1"}},
      {"bytes that are not GBK text",
       "[a]\r\nk=\x81\r\nj=\x80\r\n",
       "a",
       {"[a]", "k=\\x81", "j=\\x80"}},
      {"the last \"]\" closes the name", "[a]b]\r\nk=1\r\n", "a]b", {"[a]b]", "k=1"}},
      {"lines before the first section belong to none", "k=0\r\n[a]\r\n", "a", {"[a]"}},
      {"no such section", "[a]\r\nk=1\r\n", "b", {}},
      {"a key is no section", "[a]\r\nb=1\r\n", "b", {}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SectionLines(c.file, c.section), c.lines) << c.name;
  }
}

// Scripts that run only commands and messages without a keyword, so that they need
// nothing of the plugin but its files.
class ScriptTest : public quillora::testing::RunDirectoryTest {
 protected:
  ScriptSummary Run(const std::string& script) {
    Chat chat;  // no registration: no message reaches a handler
    std::istringstream in(script);
    transcript_.str("");
    return RunScript(chat, in, transcript_);
  }
  std::ostringstream transcript_;
};

TEST_F(ScriptTest, CountsUnmetExpectationsAndMalformedLines) {
  const struct {
    const char* name;
    std::string script;
    int expectations;
    int unmet;
    int errors;
  } cases[] = {
      {"met", U8(u8"/setting 群币名称 水晶币\n/setting 群币名称\n> 群币名称 = 水晶币\n"), 1, 0, 0},
      {"unmet", U8(u8"/setting 群币名称 水晶币\n/setting 群币名称\n> 群币名称 = 金币\n"), 1, 1, 0},
      {"comments and blank lines between",
       U8(u8"/setting 群币单位 个\n/setting 群币单位\n\n# c\n> 群币单位 = 个\n"), 1, 0, 0},
      {"no keyword, no reply", "hello\n>silent\n10002: hi\n>silent\n", 2, 0, 0},
      {"each line checks its own output", "/setting X 1\n/setting X\n> X = 1\nhello\n> X = 1\n", 2,
       1, 0},
      {"an expectation before any line", "> hello\n", 0, 0, 1},
      {"a malformed expectation", "hello\n>hello\n", 0, 0, 1},
      {"an unknown command", "/frobnicate\n", 0, 0, 1},
      {"a command without its argument", "/group\n/as x\n", 0, 0, 2},
      {"CR LF script", "/setting Y 2\r\n/setting Y\r\n> Y = 2\r\n", 1, 0, 0},
      {"quit ends the script", "/quit\n/frobnicate\n", 0, 0, 0},
      {"a message sent with escapes", "/send 10002: hi\\r\\n\n>silent\n", 1, 0, 0},
      {"a malformed escape", "/send a\\q\n/send\n", 0, 0, 2},
      {"a missing section", "/section 2002\n> (no section 2002)\n", 1, 0, 0},
  };
  for (const auto& c : cases) {
    const ScriptSummary summary = Run(c.script);
    EXPECT_EQ(summary.expectations, c.expectations) << c.name << "\n" << transcript_.str();
    EXPECT_EQ(summary.unmet, c.unmet) << c.name << "\n" << transcript_.str();
    EXPECT_EQ(summary.errors, c.errors) << c.name << "\n" << transcript_.str();
  }
}

TEST_F(ScriptTest, SenderAndGroupLinesSwitchWhoSpeaksWhere) {
  Chat chat;
  std::ostringstream out;
  HandleLine(chat, "/group 3003", out);
  HandleLine(chat, U8(u8"10002：你好"), out);
  EXPECT_EQ(chat.group, "3003");
  EXPECT_EQ(chat.sender, "10002");
  HandleLine(chat, "/as 10005", out);
  HandleLine(chat, "12ab: not a sender line", out);
  EXPECT_EQ(chat.sender, "10005");
  HandleLine(chat, "/send 10007: \\r\\n", out);
  EXPECT_EQ(chat.sender, "10007");
  EXPECT_TRUE(HandleLine(chat, "/quit", out).quit);
}

// The section is read from the file's bytes: what a profile reader would never show
// (a second section of the name, a stray byte) is shown too.
TEST_F(ScriptTest, SectionsAreShownAsTheGameFileHoldsThem) {
  quillora::testing::WriteFileBytes(
      GameFile(), "[Quillora]\r\n惩罚金额=10\r\n[2002]\r\n流程=1\r\n[2002]\r\n流程=\x81\r\n");
  Chat chat;
  std::ostringstream out;
  EXPECT_EQ(HandleLine(chat, "/section 2002", out).output,
            U8(u8"[2002]\n流程=1\n[2002]\n流程=\\x81"));
  EXPECT_EQ(HandleLine(chat, "/section Quillora", out).output, U8(u8"[Quillora]\n惩罚金额=10"));
  EXPECT_EQ(HandleLine(chat, "/section 3003", out).output, "(no section 3003)");
  quillora::testing::RemoveFile(GameFile());
  EXPECT_TRUE(HandleLine(chat, "/section 2002", out).failed);
}

TEST_F(ScriptTest, NicknamesAndSettingsGoWhereThePluginReadsThem) {
  Chat chat;
  std::ostringstream out;
  HandleLine(chat, U8(u8"/nick 10001 阿 青"), out);
  HandleLine(chat, U8(u8"/setting 路径 toviksys\\群号.ini"), out);
  HandleLine(chat, U8(u8"/setting 惩罚金额 10"), out);
  EXPECT_EQ(quillora::testing::ReadFileBytes(Path("\\config\\Kelvaro\\2002.ini")),
            "[10001]\r\n昵称=阿 青\r\n");
  const Bytes game = quillora::testing::ReadFileBytes(GameFile());
  EXPECT_NE(game.find("[Quillora路径]\r\n路径=toviksys\\群号.ini\r\n"), Bytes::npos) << game;
  EXPECT_NE(game.find("[Quillora]\r\n惩罚金额=10\r\n"), Bytes::npos) << game;
  // A balance needs the balance key of the link; without it the command says so.
  EXPECT_TRUE(HandleLine(chat, "/setbalance 10001 5", out).failed);
  HandleLine(chat, U8(u8"/setting 群币 群币数量"), out);
  EXPECT_FALSE(HandleLine(chat, "/setbalance 10001 5", out).failed);
  EXPECT_EQ(quillora::testing::ReadFileBytes(Path("\\toviksys\\2002.ini")),
            "[10001]\r\n群币数量=5\r\n");
  EXPECT_EQ(HandleLine(chat, "/balances 10001 10002", out).output,
            U8(u8"阿 青 (10001): 5\n10002 (10002): 0"));
}

}  // namespace
}  // namespace quillora::chat
