// Whole rounds through the handlers, as a group plays them: every reply and the game
// file after every step, and the balances after the settlement.
#include "round_fixture.hpp"

namespace quillora::testing {
namespace {

constexpr char kHint[] = "中途结束游戏可以发送 @结束游戏[bq53]";
constexpr char kWaitForAll[] = "票\r\n请所有人投票结束后发送 @惩罚结果 获取结果列表";
constexpr char kAskForResult[] = "票\r\n请发送 @惩罚结果 获取结果列表";
constexpr char kEnded[] =
    "游戏已结束，数据已清空[bq5][enter][bq105][cqname]最讨厌玩到一半退出的人[bq80]";

Text Roster(const Text& lines) {
  return "[bq57]当前加入人员有：[enter]" + lines + "发送 start 即可开始游戏[bq13]";
}
Text Started(const Text& roster, const Text& question = kQuestion) {
  return "[bq23]本局游戏成员如下:[enter]" + roster + "真心话题目：" + question +
         "\r\n大家发送 @真心话 内容进行回答";
}
Text Answers(const Text& listing) {
  return "[bq81]真心话记录如下：[enter]" + listing;
}
// A reply to an answer that is not the last one ends in one of two ways, drawn at random.
std::vector<Text> NotLast(const Text& listing, int remaining) {
  return {Answers(listing) + kHint,
          Concat(Answers(listing), "还有", std::to_string(remaining), "人没有说出真心话[bq26]")};
}

class FullRound : public RoundTest {
 protected:
  void SetUp() override {
    RoundTest::SetUp();
    // 博文 has 10.5 against a penalty of 10: balances are compared as whole numbers.
    WritePlayers("8001", {{"111", "阿兰", "100"}, {"222", "博文", "10.5"}, {"333", "晨曦", "30"}});
  }
};

TEST_F(FullRound, ThreePlayersJoinAnswerVoteAndArePunished) {
  const Text joined1 = "[8001]\r\n参加人数=1\r\n参加人员=111\r\n";
  const Text joined2 = "[8001]\r\n参加人数=2\r\n参加人员=111|222\r\n";
  const Text joined3 = "[8001]\r\n参加人数=3\r\n参加人员=111|222|333\r\n";
  const Text started = joined3 + "流程=1\r\n";
  const Text answering = "[8001]\r\n参加人数=3\r\n参加人员=111|222|333\r\n流程=1\r\n";
  const Text voting =
      "[8001]\r\n参加人数=3\r\n参加人员=111|222|333\r\n流程=2\r\n"
      "描述人员=222|111|333\r\n描述人数=3\r\n";
  const Text line1 = "1、【博文】:怕黑[enter]";
  const Text line2 = "2、【阿兰】:怕蛇[enter]";
  const Text line3 = "3、【晨曦】:什么都不怕[enter]";
  const Text roster = "1、【阿兰】[enter]2、【博文】[enter]3、【晨曦】[enter]";

  Play({
      {Quillora,
       "8001",
       "111",
       "",
       {"【阿兰】发起了Quillora游戏！[enter]发送@Quillora 即可加入游戏！"},
       joined1},
      {Quillora, "8001", "222", "", {Roster("1、【阿兰】[enter]2、【博文】[enter]")}, joined2},
      {start, "8001", "111", "", {"【阿兰】人数不足3人，无法开始[bq84]"}, joined2},
      {Quillora, "8001", "333", "", {Roster(roster)}, joined3},
      {start, "8001", "222", "", {Started(roster)}, started},
      {答案, "8001", "222", "  怕黑　", NotLast(line1, 2),
       answering + "描述人员=222\r\n描述人数=1\r\n1=222|怕黑|0\r\n"},
      {答案, "8001", "111", "怕蛇", NotLast(line1 + line2, 1),
       answering + "描述人员=222|111\r\n描述人数=2\r\n1=222|怕黑|0\r\n2=111|怕蛇|0\r\n"},
      {答案,
       "8001",
       "333",
       "什么都不怕",
       {Answers(line1 + line2 + line3) + "请大家发送@投票 序号 选出说谎者！"},
       voting + "1=222|怕黑|0\r\n2=111|怕蛇|0\r\n3=333|什么都不怕|0\r\n"},
      // With three answers one vote marks the author.
      {投票,
       "8001",
       "111",
       "3",
       {Text("[bq108]【晨曦】已经获得1") + kWaitForAll},
       voting + "1=222|怕黑|0\r\n2=111|怕蛇|0\r\n3=333|什么都不怕|1\r\n"
                "投票人员=111\r\n惩罚人员=333\r\n投票人数=1\r\n"},
      {投票结果,
       "8001",
       "222",
       "",
       {"投票人数未过半，无法获取结果[bq9]"},
       voting + "1=222|怕黑|0\r\n2=111|怕蛇|0\r\n3=333|什么都不怕|1\r\n"
                "投票人员=111\r\n惩罚人员=333\r\n投票人数=1\r\n"},
      {投票,
       "8001",
       "333",
       "2",
       {Text("[bq108]【阿兰】已经获得1") + kWaitForAll},
       voting + "1=222|怕黑|0\r\n2=111|怕蛇|1\r\n3=333|什么都不怕|1\r\n"
                "投票人员=111|333\r\n惩罚人员=333|111\r\n投票人数=2\r\n"},
      // The last expected vote asks for the result; 333 is not marked twice.
      {投票,
       "8001",
       "222",
       "3",
       {Text("[bq108]【晨曦】已经获得2") + kAskForResult},
       voting + "1=222|怕黑|0\r\n2=111|怕蛇|1\r\n3=333|什么都不怕|2\r\n"
                "投票人员=111|333|222\r\n惩罚人员=333|111\r\n投票人数=3\r\n"},
  });
  // Settling deletes the round, so the file is back to the settings alone.
  EXPECT_EQ(投票结果("", "2", "8001", "333", ""),
            Text("[bq99]受到大冒险惩罚并扣除10个水晶币\r\n1、【晨曦】\r\n2、【阿兰】\r\n") + kDare);
  EXPECT_EQ(Game(), Settings());
  EXPECT_EQ(ReadFileBytes(SignInFile("8001")),
            PlayersText({{"111", "阿兰", "90"}, {"222", "博文", "10.5"}, {"333", "晨曦", "20"}}));
  // The round is gone: asking again is silent, and a new round starts from nothing.
  EXPECT_EQ(投票结果("", "2", "8001", "333", ""), "");
  EXPECT_EQ(Quillora("", "2", "8001", "222", ""),
            "【博文】发起了Quillora游戏！[enter]发送@Quillora 即可加入游戏！");
  EXPECT_EQ(Game(), Settings() + "[8001]\r\n参加人数=1\r\n参加人员=222\r\n");
}

// Two groups play at once, one call each in turn. Player 111 is in both, under a
// different nickname in each group's file.
TEST_F(FullRound, TwoGroupsPlayingAtOnceDoNotTouchEachOther) {
  WritePlayers("8002", {{"111", "兰兰", "50"}, {"444", "丁一", "50"}, {"555", "戊五", "50"}});
  const Text group2Voting =
      "[8002]\r\n参加人数=3\r\n参加人员=111|444|555\r\n流程=2\r\n描述人员=111|444|555\r\n"
      "描述人数=3\r\n1=111|二组一|0\r\n2=444|二组二|1\r\n3=555|二组三|0\r\n"
      "投票人员=111\r\n惩罚人员=444\r\n投票人数=1\r\n";
  const Text group2Listing = "1、【兰兰】:二组一[enter]2、【丁一】:二组二[enter]";
  Play({
      {Quillora,
       "8001",
       "111",
       "",
       {"【阿兰】发起了Quillora游戏！[enter]发送@Quillora 即可加入游戏！"}},
      {Quillora,
       "8002",
       "111",
       "",
       {"【兰兰】发起了Quillora游戏！[enter]发送@Quillora 即可加入游戏！"}},
      {Quillora, "8001", "222", "", {Roster("1、【阿兰】[enter]2、【博文】[enter]")}},
      {Quillora, "8002", "444", "", {Roster("1、【兰兰】[enter]2、【丁一】[enter]")}},
      {start, "8002", "444", "", {"【丁一】人数不足3人，无法开始[bq84]"}},
      {Quillora,
       "8001",
       "333",
       "",
       {Roster("1、【阿兰】[enter]2、【博文】[enter]3、【晨曦】[enter]")}},
      {Quillora,
       "8002",
       "555",
       "",
       {Roster("1、【兰兰】[enter]2、【丁一】[enter]3、【戊五】[enter]")}},
      {start,
       "8002",
       "444",
       "",
       {Started("1、【兰兰】[enter]2、【丁一】[enter]3、【戊五】[enter]")}},
      // Group 8001 is still joining while 8002 answers.
      {答案, "8001", "111", "一组一", {""}},
      {start,
       "8001",
       "111",
       "",
       {Started("1、【阿兰】[enter]2、【博文】[enter]3、【晨曦】[enter]")}},
      {答案, "8002", "111", "二组一", NotLast("1、【兰兰】:二组一[enter]", 2)},
      {答案, "8001", "111", "一组一", NotLast("1、【阿兰】:一组一[enter]", 2)},
      {答案, "8001", "222", "一组二",
       NotLast("1、【阿兰】:一组一[enter]2、【博文】:一组二[enter]", 1)},
      {答案, "8002", "444", "二组二", NotLast(group2Listing, 1)},
      {答案,
       "8002",
       "555",
       "二组三",
       {Answers(group2Listing + "3、【戊五】:二组三[enter]") +
        "请大家发送@投票 序号 选出说谎者！"}},
      // 8001 is still answering while 8002 votes.
      {投票, "8001", "111", "1", {""}},
      {答案,
       "8001",
       "333",
       "一组三",
       {Answers("1、【阿兰】:一组一[enter]2、【博文】:一组二[enter]3、【晨曦】:一组三[enter]") +
        "请大家发送@投票 序号 选出说谎者！"}},
      {投票, "8001", "111", "3", {Text("[bq108]【晨曦】已经获得1") + kWaitForAll}},
      {投票, "8002", "111", "2", {Text("[bq108]【丁一】已经获得1") + kWaitForAll}},
      {投票, "8001", "222", "3", {Text("[bq108]【晨曦】已经获得2") + kWaitForAll}},
  });
  EXPECT_EQ(投票结果("", "2", "8001", "111", ""),
            Text("[bq99]受到大冒险惩罚并扣除10个水晶币\r\n【晨曦】\r\n") + kDare);
  EXPECT_EQ(Game(), Settings() + group2Voting);
  Play({
      {投票, "8002", "444", "2", {Text("[bq108]【丁一】已经获得2") + kWaitForAll}},
      {投票结果,
       "8002",
       "555",
       "",
       {Text("[bq99]受到大冒险惩罚并扣除10个水晶币\r\n【丁一】\r\n") + kDare}},
  });
  EXPECT_EQ(Game(), Settings());
  EXPECT_EQ(ReadFileBytes(SignInFile("8001")),
            PlayersText({{"111", "阿兰", "100"}, {"222", "博文", "10.5"}, {"333", "晨曦", "20"}}));
  EXPECT_EQ(ReadFileBytes(SignInFile("8002")),
            PlayersText({{"111", "兰兰", "50"}, {"444", "丁一", "40"}, {"555", "戊五", "50"}}));
}

// With four players the third answer keeps the round answering and names the one
// player left; the ending is drawn, so the answer is given again from the same state
// until both endings have shown (missing one in 60 draws has odds below 1 in 10^10).
TEST_F(FullRound, AnAnswerBeforeTheLastKeepsTheRoundAnswering) {
  WritePlayers("8001", {{"111", "阿兰", "100"},
                        {"222", "博文", "100"},
                        {"333", "晨曦", "100"},
                        {"444", "丁一", "100"}});
  const Text head = "[8001]\r\n参加人数=4\r\n参加人员=111|222|333|444\r\n流程=1\r\n";
  const Text records = "1=111|怕黑|0\r\n2=222|怕蛇|0\r\n";
  const Text listing = "1、【阿兰】:怕黑[enter]2、【博文】:怕蛇[enter]3、【晨曦】:怕鬼[enter]";
  const std::vector<Text> endings = NotLast(listing, 1);
  bool seen[2] = {false, false};
  for (int draw = 0; draw < 60 && !(seen[0] && seen[1]); ++draw) {
    WriteRounds(head + "描述人员=111|222\r\n描述人数=2\r\n" + records);
    const Text reply = 答案("怕鬼", "2", "8001", "333", "");
    ASSERT_TRUE(reply == endings[0] || reply == endings[1]) << Readable(reply);
    seen[reply == endings[0] ? 0 : 1] = true;
    ASSERT_EQ(Game(), Settings() + head + "描述人员=111|222|333\r\n描述人数=3\r\n" + records +
                          "3=333|怕鬼|0\r\n");
  }
  EXPECT_TRUE(seen[0] && seen[1]);
  EXPECT_EQ(答案("怕虫", "2", "8001", "444", ""),
            Answers(listing + "4、【丁一】:怕虫[enter]") + "请大家发送@投票 序号 选出说谎者！");
  EXPECT_EQ(ReadProfile(GameFile(), "8001", "流程"), "2");
}

// With no line to draw, the round still goes on: "start" has written the phase before
// it reads the truth file, and the settlement still charges and clears the round; the
// reply only has nothing where the line would stand.
TEST_F(FullRound, AGameTextFileWithoutLinesLeavesItsLineOut) {
  const Text roster = "1、【阿兰】[enter]2、【博文】[enter]3、【晨曦】[enter]";
  const Text joined = "[8001]\r\n参加人数=3\r\n参加人员=111|222|333\r\n";
  const Text voting =
      "[8001]\r\n流程=2\r\n描述人员=111|222|333\r\n描述人数=3\r\n1=111|怕黑|0\r\n"
      "2=222|怕蛇|0\r\n3=333|怕鬼|2\r\n投票人员=111|222\r\n惩罚人员=333\r\n投票人数=2\r\n";
  const struct {
    const char* name;
    const char* content;  // null: no file
  } cases[] = {{"missing files", nullptr}, {"empty files", ""}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    for (const char* file : {"\\plugin\\真心话.txt", "\\plugin\\大冒险.txt"}) {
      RemoveFile(Path(file));
      if (c.content != nullptr) WriteFileBytes(Path(file), c.content);
    }
    WritePlayers("8001", {{"111", "阿兰", "100"}, {"222", "博文", "10.5"}, {"333", "晨曦", "30"}});
    WriteRounds(joined);
    EXPECT_EQ(start("", "2", "8001", "222", ""), Started(roster, ""));
    EXPECT_EQ(Game(), Settings() + joined + "流程=1\r\n");

    WriteRounds(voting);
    EXPECT_EQ(投票结果("", "2", "8001", "111", ""),
              "[bq99]受到大冒险惩罚并扣除10个水晶币\r\n【晨曦】\r\n");
    EXPECT_EQ(Game(), Settings());
    EXPECT_EQ(ReadProfile(SignInFile("8001"), "333", "财富"), "20");
  }
}

// "@结束游戏" drops a started round for anyone who has answered, in whatever phase,
// and never charges anyone; another group's round stays as it is.
TEST_F(FullRound, EndingARoundDeletesItWithoutPunishment) {
  const Text otherGroup = "[9009]\r\n参加人数=1\r\n参加人员=111\r\n";
  const Text answering =
      "[8001]\r\n参加人数=3\r\n参加人员=111|222|333\r\n流程=1\r\n"
      "描述人员=111\r\n描述人数=1\r\n1=111|怕黑|0\r\n";
  const Text voting =
      "[8001]\r\n参加人数=3\r\n参加人员=111|222|333\r\n流程=2\r\n"
      "描述人员=111|222|333\r\n描述人数=3\r\n1=111|怕黑|2\r\n2=222|怕蛇|0\r\n"
      "3=333|怕鬼|0\r\n投票人员=222|333\r\n惩罚人员=111\r\n投票人数=2\r\n";
  const Text oddPhase = "[8001]\r\n流程=7\r\n描述人员=111\r\n";
  const struct {
    const char* name;
    Text round;
    Text sender;
  } cases[] = {
      {"while answering", answering, "111"},
      {"while voting, with a player marked", voting, "333"},
      {"in a phase that is neither", oddPhase, "111"},
  };
  const Text balances = ReadFileBytes(SignInFile("8001"));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    WriteRounds(c.round + otherGroup);
    EXPECT_EQ(结束游戏("", "2", "8001", c.sender, ""), kEnded);
    EXPECT_EQ(Game(), Settings() + otherGroup);
    EXPECT_EQ(ReadFileBytes(SignInFile("8001")), balances);
    EXPECT_EQ(结束游戏("", "2", "8001", c.sender, ""), "");
  }
}

}  // namespace
}  // namespace quillora::testing
