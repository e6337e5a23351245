// Every handler's refusals: the fixed reply, and not a byte of the game file or of the
// balances changed. Then the inputs that look like refusals but are not: balances
// compared as whole numbers, vote numbers read leniently, and account numbers that lie
// inside longer ones.
#include "round_fixture.hpp"

namespace quillora::testing {
namespace {

// Rounds of group 8001 in each phase.
const Text kTwoJoined = "[8001]\r\n参加人数=2\r\n参加人员=111|222\r\n";
const Text kThreeJoined = "[8001]\r\n参加人数=3\r\n参加人员=111|222|333\r\n";
const Text kAnswering =
    "[8001]\r\n参加人数=3\r\n参加人员=111|222|333\r\n流程=1\r\n描述人员=111\r\n描述人数=1\r\n"
    "1=111|怕黑|0\r\n";
const Text kVotingHead =
    "[8001]\r\n参加人数=3\r\n参加人员=111|222|333\r\n流程=2\r\n描述人员=111|222|333\r\n"
    "描述人数=3\r\n";
const Text kVotingTail = "投票人员=222\r\n惩罚人员=111\r\n投票人数=1\r\n";
const Text kVoting = kVotingHead + "1=111|怕黑|1\r\n2=222|怕蛇|0\r\n3=333|怕鬼|0\r\n" + kVotingTail;

const Text kGuideHead =
    "[bq80]请按照以下序号投票[enter]1、【阿兰】:怕黑[enter]2、【博文】:怕蛇[enter]";
const Text kGuide = kGuideHead + "3、【晨曦】:怕鬼[enter]投票格式 @投票 序号";

class RoundRefusals : public RoundTest {
 protected:
  void SetUp() override {
    RoundTest::SetUp();
    WritePlayers("8001", {{"111", "阿兰", "100"},
                          {"222", "博文", "100"},
                          {"333", "晨曦", "100"},
                          {"444", "丁一", "100"},
                          {"666", "六六", "5"},
                          {"234", "小二", "100"},
                          {"12345", "大五", "100"}});
  }
};

TEST_F(RoundRefusals, AnswerTheFixedReplyAndWriteNothing) {
  const struct {
    const char* name;
    Text round;
    Handler handler;
    Text argument;
    Text kind;
    Text sender;
    Text reply;
  } cases[] = {
      // Joining.
      {"join with another message kind", kTwoJoined, Quillora, "", "1", "333", ""},
      {"join with a blank in the kind", kTwoJoined, Quillora, "", " 2", "333", ""},
      {"join while answering, a player", kAnswering, Quillora, "", "2", "111",
       "【阿兰】本局游戏已开始，请等待下一局[bq14]"},
      {"join while voting, an outsider", kVoting, Quillora, "", "2", "444",
       "【丁一】本局游戏已开始，请等待下一局[bq14]"},
      {"join in an unknown phase", "[8001]\r\n流程=7\r\n", Quillora, "", "2", "444",
       "【丁一】本局游戏已开始，请等待下一局[bq14]"},
      {"join twice", kTwoJoined, Quillora, "", "2", "222", "【博文】你已加入了游戏[bq97]"},
      {"join twice, no longer able to pay", "[8001]\r\n参加人数=2\r\n参加人员=111|666\r\n",
       Quillora, "", "2", "666", "【六六】你的水晶币不足[bq9]"},
      // Starting.
      {"start while answering", kAnswering, start, "", "2", "111", ""},
      {"start while voting", kVoting, start, "", "2", "111", ""},
      {"start by an outsider", kThreeJoined, start, "", "2", "444", "【丁一】你没有加入游戏[bq97]"},
      {"start with no round", "", start, "", "2", "111", "【阿兰】你没有加入游戏[bq97]"},
      {"start by 234 when 12345 joined", "[8001]\r\n参加人数=3\r\n参加人员=12345|111|222\r\n",
       start, "", "2", "234", "【小二】你没有加入游戏[bq97]"},
      {"start with two", kTwoJoined, start, "", "2", "111", "【阿兰】人数不足3人，无法开始[bq84]"},
      {"start with a count behind the list", "[8001]\r\n参加人数=2\r\n参加人员=111|222|333\r\n",
       start, "", "2", "333", "【晨曦】人数不足3人，无法开始[bq84]"},
      // Answering.
      {"answer with no round", "", 答案, "怕黑", "2", "111", ""},
      {"answer while joining", kThreeJoined, 答案, "怕黑", "2", "111", ""},
      {"answer while voting", kVoting, 答案, "怕黑", "2", "111", ""},
      {"answer by an outsider", kAnswering, 答案, "怕黑", "2", "444",
       "【丁一】你没有加入游戏[bq97]"},
      {"answer twice", kAnswering, 答案, "改主意了", "2", "111", "【阿兰】的答案已记录[bq14]"},
      {"answer twice, empty", kAnswering, 答案, "", "2", "111", "【阿兰】的答案已记录[bq14]"},
      {"answer empty", kAnswering, 答案, "", "2", "222", "【博文】不回答可不行哦[bq12]"},
      {"answer of blanks", kAnswering, 答案, " 　  　", "2", "222", "【博文】不回答可不行哦[bq12]"},
      {"answer of a lone lead byte", kAnswering, 答案, " \x81", "2", "222",
       "【博文】不回答可不行哦[bq12]"},
      // Voting.
      {"vote while answering", kAnswering, 投票, "1", "2", "111", ""},
      {"vote while joining", kThreeJoined, 投票, "1", "2", "111", ""},
      {"vote by an outsider", kVoting, 投票, "1", "2", "444", "【丁一】你没有加入游戏[bq97]"},
      {"vote twice, out of range", kVoting, 投票, "9", "2", "222", "【博文】已经投过票了[bq14]"},
      {"vote without a number", kVoting, 投票, "", "2", "111", kGuide},
      {"vote for 0", kVoting, 投票, "0", "2", "111", kGuide},
      {"vote for -1", kVoting, 投票, "-1", "2", "111", kGuide},
      {"vote for abc", kVoting, 投票, "abc", "2", "111", kGuide},
      {"vote past the last answer", kVoting, 投票, "4", "2", "111", kGuide},
      {"vote for a missing record", kVotingHead + "1=111|怕黑|1\r\n2=222|怕蛇|0\r\n" + kVotingTail,
       投票, "3", "2", "111", kGuideHead + "3、【】:[enter]投票格式 @投票 序号"},
      {"vote for a record without a count",
       kVotingHead + "1=111|怕黑|1\r\n2=222|怕蛇|0\r\n3=333\r\n" + kVotingTail, 投票, "3", "2",
       "111", kGuideHead + "3、【晨曦】:[enter]投票格式 @投票 序号"},
      {"vote for a record without an author",
       kVotingHead + "1=111|怕黑|1\r\n2=222|怕蛇|0\r\n3=|怕鬼|0\r\n" + kVotingTail, 投票, "3", "2",
       "111", kGuideHead + "3、【】:怕鬼[enter]投票格式 @投票 序号"},
      // Settling.
      {"settle with no round", "", 投票结果, "", "2", "111", ""},
      {"settle while joining", kThreeJoined, 投票结果, "", "2", "111", ""},
      {"settle while answering", kAnswering, 投票结果, "", "2", "111", ""},
      {"settle by an outsider", kVoting, 投票结果, "", "2", "444", "【丁一】你没有加入游戏[bq97]"},
      {"settle by 234 when 12345 answered",
       "[8001]\r\n流程=2\r\n描述人员=12345|111\r\n描述人数=2\r\n投票人数=2\r\n", 投票结果, "", "2",
       "234", "【小二】你没有加入游戏[bq97]"},
      {"settle before half have voted", kVoting, 投票结果, "", "2", "333",
       "投票人数未过半，无法获取结果[bq9]"},
      // Ending.
      {"end with no round", "", 结束游戏, "", "2", "111", ""},
      {"end while joining", kThreeJoined, 结束游戏, "", "2", "111", ""},
      {"end by a player who has not answered", kAnswering, 结束游戏, "", "2", "222",
       "【博文】你没有说出真心话，不能结束游戏[bq97]"},
      {"end by an outsider while voting", kVoting, 结束游戏, "", "2", "444",
       "【丁一】你没有说出真心话，不能结束游戏[bq97]"},
      {"end by 234 when 12345 answered", "[8001]\r\n流程=1\r\n描述人员=12345\r\n", 结束游戏, "",
       "2", "234", "【小二】你没有说出真心话，不能结束游戏[bq97]"},
  };
  const Text balances = ReadFileBytes(SignInFile("8001"));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    WriteRounds(c.round);
    EXPECT_EQ(Readable(c.handler(c.argument, c.kind, "8001", c.sender, "")), Readable(c.reply));
    EXPECT_EQ(Game(), Settings() + c.round);
    EXPECT_EQ(ReadFileBytes(SignInFile("8001")), balances);
  }
}

// The balance must cover the penalty, both read as whole numbers (truncated toward zero).
TEST_F(RoundRefusals, JoiningNeedsABalanceThatCoversThePenalty) {
  const struct {
    Text balance;  // empty: no balance entry
    Text penalty;
    bool joins;
  } cases[] = {
      {"9.9", "10", false}, {"10", "10.5", true}, {"10", "10", true},  {"-1", "0", false},
      {"", "0", true},      {"", "10", false},    {"1e3", "10", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("balance " + c.balance + " against " + c.penalty);
    WritePlayers("8001", {{"111", "阿兰", c.balance}});
    WriteFileBytes(GameFile(), Settings(c.penalty));
    const Text reply = Quillora("", "2", "8001", "111", "");
    if (c.joins) {
      EXPECT_EQ(reply, "【阿兰】发起了Quillora游戏！[enter]发送@Quillora 即可加入游戏！");
      EXPECT_EQ(Game(), Settings(c.penalty) + "[8001]\r\n参加人数=1\r\n参加人员=111\r\n");
    } else {
      EXPECT_EQ(reply, "【阿兰】你的水晶币不足[bq9]");
      EXPECT_EQ(Game(), Settings(c.penalty));
    }
    EXPECT_EQ(ReadFileBytes(SignInFile("8001")), PlayersText({{"111", "阿兰", c.balance}}));
  }
}

// A vote number is read after trimming blanks, as a number truncated toward zero, with
// full-width digits taken as digits.
TEST_F(RoundRefusals, VoteNumbersAreReadLeniently) {
  const Text forAnswer1 = "1=111|怕黑|2\r\n2=222|怕蛇|0\r\n3=333|怕鬼|0\r\n";
  const Text forAnswer2 = "1=111|怕黑|1\r\n2=222|怕蛇|1\r\n3=333|怕鬼|0\r\n";
  const Text forAnswer3 = "1=111|怕黑|1\r\n2=222|怕蛇|0\r\n3=333|怕鬼|1\r\n";
  const struct {
    Text argument;
    Text reply;
    Text records;   // after the vote
    Text punished;  // with three answers one vote marks the author
  } cases[] = {
      {" 2.9 ", "[bq108]【博文】已经获得1", forAnswer2, "111|222"},
      {"２", "[bq108]【博文】已经获得1", forAnswer2, "111|222"},
      {"　3　", "[bq108]【晨曦】已经获得1", forAnswer3, "111|333"},
      {"1号", "[bq108]【阿兰】已经获得2", forAnswer1, "111"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Readable(c.argument));
    WriteRounds(kVoting);
    EXPECT_EQ(投票(c.argument, "2", "8001", "333", ""),
              c.reply + "票\r\n请所有人投票结束后发送 @惩罚结果 获取结果列表");
    EXPECT_EQ(Readable(Game()),
              Readable(Settings() + kVotingHead + c.records +
                       "投票人员=222|333\r\n惩罚人员=" + c.punished + "\r\n投票人数=2\r\n"));
  }
}

// Membership is exact: an account inside a longer one (234 in 12345) is somebody else.
TEST_F(RoundRefusals, AnAccountInsideALongerOneIsAnotherPlayer) {
  const struct {
    const char* name;
    Text round;
    Handler handler;
    Text argument;
    Text sender;
    Text key;
    Text value;  // of the key after the call
  } cases[] = {
      {"joins", "[8001]\r\n参加人数=1\r\n参加人员=12345\r\n", Quillora, "", "234", "参加人员",
       "12345|234"},
      {"answers",
       "[8001]\r\n参加人数=2\r\n参加人员=12345|234\r\n流程=1\r\n描述人员=12345\r\n"
       "描述人数=1\r\n1=12345|怕黑|0\r\n",
       答案, "怕蛇", "234", "描述人员", "12345|234"},
      {"votes",
       "[8001]\r\n流程=2\r\n描述人员=12345|234|111\r\n描述人数=3\r\n1=12345|怕黑|1\r\n"
       "2=234|怕蛇|0\r\n3=111|怕鬼|0\r\n投票人员=12345\r\n惩罚人员=12345\r\n投票人数=1\r\n",
       投票, "3", "234", "投票人员", "12345|234"},
      {"is marked",
       "[8001]\r\n流程=2\r\n描述人员=12345|234|111\r\n描述人数=3\r\n1=12345|怕黑|1\r\n"
       "2=234|怕蛇|0\r\n3=111|怕鬼|0\r\n投票人员=12345\r\n惩罚人员=12345\r\n"
       "投票人数=1\r\n",
       投票, "2", "111", "惩罚人员", "12345|234"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    WriteRounds(c.round);
    EXPECT_NE(c.handler(c.argument, "2", "8001", c.sender, ""), "");
    EXPECT_EQ(ReadProfile(GameFile(), "8001", c.key), c.value);
  }
}

}  // namespace
}  // namespace quillora::testing
