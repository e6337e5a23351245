// Answers are chat text that anybody can type. Whatever an answer holds, it stays one
// value of one key: it adds no line to the game file, touches neither the settings nor
// another group's round, is listed whole and still takes votes.
#include <string>

#include "round_fixture.hpp"

namespace quillora::testing {
namespace {

Text Repeat(const Text& text, size_t times) {
  Text result;
  for (size_t i = 0; i < times; ++i)
    result += text;
  return result;
}

class HostileAnswers : public RoundTest {
 protected:
  void SetUp() override {
    RoundTest::SetUp();
    WritePlayers("8001", {{"111", "阿兰", "100"}, {"222", "博文", "100"}, {"333", "晨曦", "100"}});
  }
};

TEST_F(HostileAnswers, StayInsideTheirRecord) {
  // Room for an answer of player 111: values read back whole up to 10,239 bytes, less
  // "111|", "|" and ten digits of votes.
  const size_t room = 10239 - 4 - 1 - 10;
  const struct {
    const char* name;
    Text answer;
    Text stored;
  } cases[] = {
      {"a new section after CR LF", "\r\n[Quillora]\r\n惩罚金额=0",
       "[enter][Quillora][enter]惩罚金额=0"},
      {"keys after a lone CR and a lone LF", "x\r惩罚金额=0\n参加人数=0\n\r",
       "x[enter]惩罚金额=0[enter]参加人数=0[enter][enter]"},
      {"a line break behind a lead byte", "\x81\r\n[9009]\n流程=0",
       "\x81[enter][9009][enter]流程=0"},
      {"bars", "a|b||c|", "a|b||c|"},
      {"a bar alone", "|", "|"},
      {"trail bytes 0x7C and 0x5D", "\x81\x7C问\x81\x5D|]\x81\x7C", "\x81\x7C问\x81\x5D|]\x81\x7C"},
      {"20,000 bytes", Repeat("x", 20000), Repeat("x", room)},
      {"20,000 bytes of characters", Concat("a", Repeat("中", 9999)),
       Concat("a", Repeat("中", (room - 1) / 2))},
  };
  const Text otherGroup = "[9009]\r\n参加人数=1\r\n参加人员=111\r\n";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    WriteRounds(otherGroup);
    JoinAndStart("8001", {"111", "222", "333"});
    AnswerAll("8001", {{"111", c.answer}, {"222", "怕蛇"}, {"333", "怕鬼"}});
    EXPECT_EQ(
        Readable(投票("1", "2", "8001", "222", "")),
        Readable("[bq108]【阿兰】已经获得1票\r\n请所有人投票结束后发送 @惩罚结果 获取结果列表"));
    EXPECT_EQ(
        Readable(投票("1", "2", "8001", "111", "")),
        Readable("[bq108]【阿兰】已经获得2票\r\n请所有人投票结束后发送 @惩罚结果 获取结果列表"));
    // The voting guide lists the answer whole.
    EXPECT_EQ(Readable(投票("0", "2", "8001", "333", "")),
              Readable("[bq80]请按照以下序号投票[enter]1、【阿兰】:" + c.stored +
                       "[enter]2、【博文】:怕蛇[enter]3、【晨曦】:怕鬼[enter]投票格式 @投票 序号"));
    EXPECT_EQ(ReadProfile(GameFile(), "8001", "1"), "111|" + c.stored + "|2");
    EXPECT_EQ(Readable(Game()), Readable(Settings() + otherGroup +
                                         Section("8001", {{"参加人数", "3"},
                                                          {"参加人员", "111|222|333"},
                                                          {"流程", "2"},
                                                          {"描述人员", "111|222|333"},
                                                          {"描述人数", "3"},
                                                          {"1", "111|" + c.stored + "|2"},
                                                          {"2", "222|怕蛇|0"},
                                                          {"3", "333|怕鬼|0"},
                                                          {"投票人员", "222|111"},
                                                          {"惩罚人员", "111"},
                                                          {"投票人数", "2"}})));
    // The round ends as usual, and nothing else in the file went with it.
    EXPECT_EQ(结束游戏("", "2", "8001", "333", ""),
              "游戏已结束，数据已清空[bq5][enter][bq105][cqname]最讨厌玩到一半退出的人[bq80]");
    EXPECT_EQ(Game(), Settings() + otherGroup);
  }
}

// The longest answer that fits is kept to the last byte; a vote count of ten digits
// still reads back whole.
TEST_F(HostileAnswers, AnAnswerThatJustFitsIsKeptWhole) {
  const Text answer = Repeat("y", 10239 - 4 - 1 - 10);
  WriteRounds(Section("8001", {{"参加人数", "3"},
                               {"参加人员", "111|222|333"},
                               {"流程", "2"},
                               {"描述人员", "111|222|333"},
                               {"描述人数", "3"},
                               {"1", "111|" + answer + "|2147483646"},
                               {"2", "222|怕蛇|0"},
                               {"3", "333|怕鬼|0"}}));
  EXPECT_EQ(投票("1", "2", "8001", "222", ""),
            "[bq108]【阿兰】已经获得2147483647票\r\n请所有人投票结束后发送 @惩罚结果 获取结果列表");
  EXPECT_EQ(ReadProfile(GameFile(), "8001", "1"), "111|" + answer + "|2147483647");
}

}  // namespace
}  // namespace quillora::testing
