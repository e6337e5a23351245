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
  };
  for (const auto& c : cases) {
    const std::string unmet = UnmetExpectations(c.output, Parse(c.expected));
    EXPECT_EQ(unmet.empty(), c.met) << c.name << ": " << unmet;
  }
}

TEST(Expectations, RefuseLinesOfNoKnownForm) {
  for (const std::string line : {">x", ">~x", ">~ (unclosed", ">silentx", ">> x"}) {
    Expectation expectation;
    std::string problem;
    EXPECT_FALSE(ParseExpectation(line, &expectation, &problem)) << line;
    EXPECT_FALSE(problem.empty()) << line;
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
  EXPECT_TRUE(HandleLine(chat, "/quit", out).quit);
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
