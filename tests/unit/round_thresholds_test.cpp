// When votes mark an author for punishment (three tenths of the answers) and when the
// result may be asked for (half of the answers), and what the settlement charges.
#include <string>

#include "round_fixture.hpp"

namespace quillora::testing {
namespace {

constexpr char kWaitForAll[] = "票\r\n请所有人投票结束后发送 @惩罚结果 获取结果列表";
constexpr char kAskForResult[] = "票\r\n请发送 @惩罚结果 获取结果列表";

// Player i (from 1) of a round with many players.
Text Account(int i) {
  return std::to_string(5000 + i);
}
Text Nickname(int i) {
  return Concat("玩家", std::to_string(i));
}

class RoundThresholds : public RoundTest {
 protected:
  // A round of group 8001 in which players 1 to answers have all answered and nobody
  // has voted yet; every player has a balance of 100.
  void VotingRound(int answers) {
    std::vector<Player> players;
    Text accounts;
    Text records;
    for (int i = 1; i <= answers; ++i) {
      players.push_back({Account(i), Nickname(i), "100"});
      accounts += Concat(i > 1 ? "|" : "", Account(i));
      records += Concat(std::to_string(i), "=", Account(i), "|答", std::to_string(i), "|0\r\n");
    }
    WritePlayers("8001", players);
    WriteRounds(Section("8001", {{"参加人数", std::to_string(answers)},
                                 {"参加人员", accounts},
                                 {"流程", "2"},
                                 {"描述人员", accounts},
                                 {"描述人数", std::to_string(answers)}}) +
                records);
  }
  Text Vote(int voter, int answer) {
    return 投票(std::to_string(answer), "2", "8001", Account(voter), "");
  }
};

// Player 1's answer takes one vote after another. Before each vote the result is
// refused until half have voted; the author is marked by the vote that reaches three
// tenths of the answers, and never a second time.
TEST_F(RoundThresholds, MarkingAndSettlingFollowTheNumberOfAnswers) {
  const struct {
    int answers;
    int marking;   // the vote that marks the author
    int settling;  // the votes needed for the result
  } cases[] = {
      {3, 1, 2},  {4, 2, 2},  {5, 2, 3},  {6, 2, 3},  {7, 3, 4},  {8, 3, 4},   {9, 3, 5},
      {10, 3, 5}, {11, 4, 6}, {12, 4, 6}, {13, 4, 7}, {14, 5, 7}, {20, 6, 10},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.answers) + " answers");
    VotingRound(c.answers);
    for (int vote = 1; vote <= c.settling; ++vote) {
      SCOPED_TRACE(Concat("vote ", std::to_string(vote)));
      const Bytes before = Game();
      EXPECT_EQ(投票结果("", "2", "8001", Account(c.answers), ""),
                "投票人数未过半，无法获取结果[bq9]");
      EXPECT_EQ(Game(), before);
      EXPECT_EQ(Vote(vote, 1),
                Concat("[bq108]【玩家1】已经获得", std::to_string(vote), kWaitForAll));
      EXPECT_EQ(ReadProfile(GameFile(), "8001", "惩罚人员"), vote >= c.marking ? Account(1) : "");
      EXPECT_EQ(ReadProfile(GameFile(), "8001", "1"),
                Concat(Account(1), "|答1|", std::to_string(vote)));
      EXPECT_EQ(ReadProfile(GameFile(), "8001", "投票人数"), std::to_string(vote));
    }
    EXPECT_EQ(投票结果("", "2", "8001", Account(c.answers), ""),
              Concat("[bq99]受到大冒险惩罚并扣除10个水晶币\r\n【玩家1】\r\n", kDare));
    EXPECT_EQ(Game(), Settings());
    EXPECT_EQ(ReadProfile(SignInFile("8001"), Account(1), "财富"), "90");
    EXPECT_EQ(ReadProfile(SignInFile("8001"), Account(2), "财富"), "100");
  }
}

// Two authors are marked in the order in which they reach the threshold and punished in
// that order, each from his own balance; a balance may end below zero but does not wrap.
TEST_F(RoundThresholds, AuthorsArePunishedInTheOrderTheyWereMarked) {
  VotingRound(4);
  WritePlayers("8001", {{Account(1), Nickname(1), "4"},
                        {Account(2), Nickname(2), "-2147483645"},
                        {Account(3), Nickname(3), "100"},
                        {Account(4), Nickname(4), "100"}});
  EXPECT_EQ(Vote(1, 2), Concat("[bq108]【玩家2】已经获得1", kWaitForAll));
  EXPECT_EQ(Vote(2, 1), Concat("[bq108]【玩家1】已经获得1", kWaitForAll));
  EXPECT_EQ(Vote(3, 2), Concat("[bq108]【玩家2】已经获得2", kWaitForAll));
  EXPECT_EQ(ReadProfile(GameFile(), "8001", "惩罚人员"), Account(2));
  EXPECT_EQ(Vote(4, 1), Concat("[bq108]【玩家1】已经获得2", kAskForResult));
  EXPECT_EQ(ReadProfile(GameFile(), "8001", "惩罚人员"), Concat(Account(2), "|", Account(1)));

  EXPECT_EQ(
      投票结果("", "2", "8001", Account(3), ""),
      Concat("[bq99]受到大冒险惩罚并扣除10个水晶币\r\n1、【玩家2】\r\n2、【玩家1】\r\n", kDare));
  EXPECT_EQ(Game(), Settings());
  EXPECT_EQ(ReadFileBytes(SignInFile("8001")),
            PlayersText({{Account(1), Nickname(1), "-6"},
                         {Account(2), Nickname(2), "-2147483648"},
                         {Account(3), Nickname(3), "100"},
                         {Account(4), Nickname(4), "100"}}));
}

// With four answers, two votes for different answers allow the result but mark nobody:
// the round ends and nobody is charged.
TEST_F(RoundThresholds, SettlingWithNobodyMarkedChargesNobody) {
  VotingRound(4);
  const Bytes balances = ReadFileBytes(SignInFile("8001"));
  EXPECT_EQ(Vote(1, 1), Concat("[bq108]【玩家1】已经获得1", kWaitForAll));
  EXPECT_EQ(Vote(2, 2), Concat("[bq108]【玩家2】已经获得1", kWaitForAll));
  EXPECT_EQ(ReadProfile(GameFile(), "8001", "惩罚人员"), "");

  EXPECT_EQ(投票结果("", "2", "8001", Account(3), ""), "[bq99]没有人被选为说谎者，本局无人受罚");
  EXPECT_EQ(Game(), Settings());
  EXPECT_EQ(ReadFileBytes(SignInFile("8001")), balances);
}

}  // namespace
}  // namespace quillora::testing
