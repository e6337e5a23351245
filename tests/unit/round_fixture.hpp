// A run directory ready for playing rounds: link and game settings, one truth question,
// one dare, and a Kelvaro file per group that holds the players' nicknames and
// balances. Shared by the tests of the round handlers.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <exception>
#include <string>
#include <utility>
#include <vector>

#include "game/handlers.hpp"
#include "primitives/platform.hpp"
#include "run_directory.hpp"

namespace quillora::testing {

// Balances live under "财富" in config\Kelvaro\<group>.ini, the file that also holds
// the nicknames. Nothing listens on the nickname endpoint, so a lookup that misses the
// file fails at once and never leaves the machine.
inline Text Settings(const Text& penalty = "10") {
  return "[Quillora路径]\r\n路径=config\\Kelvaro\\群号.ini\r\n群币=财富\r\n"
         "[Quillora]\r\n群币名称=水晶币\r\n群币单位=个\r\n惩罚金额=" +
         penalty + "\r\n昵称接口=127.0.0.1:9\r\n";
}

inline constexpr char kQuestion[] = "你最怕什么？";
inline constexpr char kDare[] = "学猫叫三声";

struct Player {
  Text account;
  Text nickname;
  Text balance;  // empty: no balance entry
};

// A section as the profile functions write it.
inline Text Section(const Text& name, const std::vector<std::pair<Text, Text>>& entries) {
  Text text = "[" + name + "]\r\n";
  for (const auto& [key, value] : entries)
    text += key + "=" + value + "\r\n";
  return text;
}

// UTF-8 for a readable failure message; bytes that are no GBK text stay as they are.
inline std::string Readable(const Text& gbk) {
  try {
    return Utf8(gbk);
  } catch (const std::exception&) {
    return gbk;
  }
}

using Handler = Text (*)(const Text&, const Text&, const Text&, const Text&, const Text&);

// One call of a handler in a round, and what it must answer.
struct Step {
  Handler handler;
  Text group;
  Text sender;
  Text argument;
  std::vector<Text> replies;  // the reply must be one of these (random endings give two)
  Text rounds = {};           // when not empty: the game file after the step, less the settings
};

class RoundTest : public RunDirectoryTest {
 protected:
  void SetUp() override {
    RunDirectoryTest::SetUp();
    MakeFolder(Path("\\config\\Kelvaro"));
    WriteFileBytes(GameFile(), Settings());
    WriteFileBytes(Path("\\plugin\\真心话.txt"), Text(kQuestion) + "\r\n");
    WriteFileBytes(Path("\\plugin\\大冒险.txt"), Text(kDare) + "\r\n");
  }

  Text SignInFile(const Text& group) const { return Path("\\config\\Kelvaro\\" + group + ".ini"); }

  static Text PlayersText(const std::vector<Player>& players) {
    Text text;
    for (const Player& player : players) {
      std::vector<std::pair<Text, Text>> entries = {{"昵称", player.nickname}};
      if (!player.balance.empty()) entries.emplace_back("财富", player.balance);
      text += Section(player.account, entries);
    }
    return text;
  }
  void WritePlayers(const Text& group, const std::vector<Player>& players) {
    WriteFileBytes(SignInFile(group), PlayersText(players));
  }

  // The game file: the settings followed by the given round sections.
  void WriteRounds(const Text& rounds) { WriteFileBytes(GameFile(), Settings() + rounds); }
  Bytes Game() const { return ReadFileBytes(GameFile()); }

  void Play(const std::vector<Step>& steps) {
    for (size_t i = 0; i < steps.size(); ++i) {
      const Step& step = steps[i];
      SCOPED_TRACE(Concat("step ", std::to_string(i + 1), " by ", step.sender, " in ", step.group));
      const Text reply = step.handler(step.argument, "2", step.group, step.sender, "");
      if (std::find(step.replies.begin(), step.replies.end(), reply) == step.replies.end()) {
        ADD_FAILURE() << "unexpected reply: " << Readable(reply);
      }
      if (!step.rounds.empty()) {
        EXPECT_EQ(Readable(Game()), Readable(Settings() + step.rounds));
      }
    }
  }

  // The common way into a round: everyone joins, the first starts it.
  void JoinAndStart(const Text& group, const std::vector<Text>& accounts) {
    for (const Text& account : accounts) {
      ASSERT_NE(Quillora("", "2", group, account, ""), "") << account;
    }
    ASSERT_NE(start("", "2", group, accounts.front(), ""), "");
    ASSERT_EQ(ReadProfile(GameFile(), group, "流程"), "1");
  }
  // Answers for each account in turn; the last one opens the vote.
  void AnswerAll(const Text& group, const std::vector<std::pair<Text, Text>>& answers) {
    for (const auto& [account, answer] : answers) {
      ASSERT_NE(答案(answer, "2", group, account, ""), "") << account;
    }
  }
};

}  // namespace quillora::testing
