// The twelve C exports as a host calls them: null arguments, results that stay valid
// until the same export is called again, a result passed back into its own export, the
// registration text, and calls from several threads.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

#include "../dll/expected_registration.hpp"
#include "boundary/exports.hpp"
#include "primitives/platform.hpp"
#include "run_directory.hpp"

namespace quillora {
namespace {

using testing::ExpectedRegistrationText;

class ExportsTest : public testing::RunDirectoryTest {
 protected:
  void SetUp() override {
    RunDirectoryTest::SetUp();
    LoadPlugin(dir());
    // Nothing listens there: a lookup that misses the nickname file fails at once.
    testing::WriteFileBytes(GameFile(), "[Quillora]\r\n昵称接口=127.0.0.1:9\r\n");
    testing::MakeFolder(Path("\\config\\Kelvaro"));
  }
  void TearDown() override {
    UnloadPlugin();
    RunDirectoryTest::TearDown();
  }

  Text NicknameFile(const Text& group) const {
    return Path("\\config\\Kelvaro\\" + group + ".ini");
  }
};

// 60 times the piece: long enough to live on the heap, so that a result released too
// early is overwritten.
Text Long(const Text& piece) {
  Text text;
  for (int i = 0; i < 60; ++i)
    text += piece;
  return text;
}

TEST(Registration, IsTheSevenHandlerRecords) {
  const Text first = QuilloraInfo();
  EXPECT_EQ(first, ExpectedRegistrationText());
  EXPECT_EQ(Text(QuilloraInfo()), first);

  const TextList lines = SplitOn(first, "\r\n");
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "-----"), 6);
  for (const char* utility : {"获取QQ昵称", "取文本之间", "去空格换行", "时间格式化"}) {
    EXPECT_EQ(LocateText(first, utility), -1) << testing::Utf8(utility);
  }
}

TEST_F(ExportsTest, LoadingFixesTheRunDirectory) {
  EXPECT_EQ(RunDirectory(), dir());
  LoadPlugin("X:\\elsewhere");
  EXPECT_EQ(RunDirectory(), "X:\\elsewhere");
  LoadPlugin(dir());
  EXPECT_EQ(RunDirectory(), dir());
}

using HandlerExport = const char*(QUILLORA_CALL*)(const char*, const char*, const char*,
                                                  const char*, const char*);

TEST_F(ExportsTest, HandlersReadNullArgumentsAsEmptyTexts) {
  struct Case {
    const char* name;
    HandlerExport handler;
  };
  const Case cases[] = {
      {"初始化配置", &QuilloraLink}, {"Quillora", &QuilloraJoin}, {"start", &QuilloraStart},
      {"答案", &QuilloraAnswer},     {"投票", &QuilloraVote},     {"投票结果", &QuilloraSettle},
      {"结束游戏", &QuilloraEnd},
  };
  for (const Case& c : cases) {
    const char* withNulls = c.handler(nullptr, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(withNulls, nullptr) << testing::Utf8(c.name);
    const Text reply = withNulls;
    const char* withEmpties = c.handler("", "", "", "", "");
    ASSERT_NE(withEmpties, nullptr) << testing::Utf8(c.name);
    EXPECT_EQ(reply, withEmpties) << testing::Utf8(c.name);
  }
  // The message kind is not "2": no reply, as a pointer to a zero byte.
  const char* join = QuilloraJoin(nullptr, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(join, nullptr);
  EXPECT_EQ(*join, '\0');
}

TEST_F(ExportsTest, UtilityExportsGiveNullForAnEmptyResult) {
  struct Case {
    const char* text;
    const char* left;
    const char* right;
    const char* expected;  // nullptr: the export returns null
  };
  const Case between[] = {
      {"Name=Bob;", "name=", ";", "Bob"}, {"abc", "a", "z", nullptr},
      {"abc;def", "x", ";", nullptr},     {nullptr, nullptr, nullptr, nullptr},
      {"abc", nullptr, nullptr, nullptr},
  };
  for (const Case& c : between) {
    const char* result = QuilloraTextBetween(c.text, c.left, c.right);
    if (c.expected == nullptr) {
      EXPECT_EQ(result, nullptr) << (c.text ? c.text : "(null)");
    } else {
      ASSERT_NE(result, nullptr) << c.text;
      EXPECT_STREQ(result, c.expected);
    }
  }

  EXPECT_STREQ(QuilloraStripBlanks("x y\r\nz"), "xyz");
  EXPECT_EQ(QuilloraStripBlanks("\r \n"), nullptr);
  EXPECT_EQ(QuilloraStripBlanks(nullptr), nullptr);

  // These two always answer something.
  EXPECT_STREQ(QuilloraNickname(nullptr, nullptr), "【】");
  const char* date = QuilloraDate();
  ASSERT_NE(date, nullptr);
  EXPECT_EQ(SplitOn(date, "/").size(), 3u) << date;
}

TEST_F(ExportsTest, AResultPassedBackIntoItsOwnExportIsReadBeforeItIsReleased) {
  const Text nickname = Long("Ann");
  const Text next = Long("Bob");
  testing::WriteFileBytes(NicknameFile("100"), "[12345]\r\n昵称=" + nickname + "\r\n[【" +
                                                   nickname + "】]\r\n昵称=" + next + "\r\n");
  const char* first = QuilloraNickname("12345", "100");
  ASSERT_STREQ(first, ("【" + nickname + "】").c_str());
  EXPECT_STREQ(QuilloraNickname(first, "100"), ("【" + next + "】").c_str());

  const char* stripped = QuilloraStripBlanks(Long("a b\r\n").c_str());
  const Text expected = Long("ab");
  ASSERT_STREQ(stripped, expected.c_str());
  EXPECT_STREQ(QuilloraStripBlanks(stripped), expected.c_str());

  const char* between = QuilloraTextBetween(Concat("<", Long("x"), "<>").c_str(), "<", ">");
  ASSERT_STREQ(between, (Long("x") + "<").c_str());
  EXPECT_STREQ(QuilloraTextBetween(between, "x", "<"), Long("x").substr(1).c_str());
}

TEST_F(ExportsTest, AResultStaysValidUntilItsOwnExportIsCalledAgain) {
  const Text nickname = Long("Ann");
  testing::WriteFileBytes(NicknameFile("100"), "[12345]\r\n昵称=" + nickname + "\r\n");
  const char* name = QuilloraNickname("12345", "100");
  const char* stripped = QuilloraStripBlanks(Long("a b").c_str());
  const char* between = QuilloraTextBetween(Concat("[", Long("y"), "]").c_str(), "[", "]");

  QuilloraInfo();
  QuilloraDate();
  QuilloraAnswer("answer", "2", "100", "12345", nullptr);
  QuilloraVote("1", "2", "100", "12345", nullptr);
  QuilloraJoin(nullptr, "2", "100", "12345", nullptr);

  EXPECT_STREQ(name, ("【" + nickname + "】").c_str());
  EXPECT_STREQ(stripped, Long("ab").c_str());
  EXPECT_STREQ(between, Long("y").c_str());
}

TEST_F(ExportsTest, CallsFromSeveralThreadsDoNotLoseJoins) {
  constexpr int kThreads = 8;
  constexpr int kJoinsPerThread = 3;
  std::vector<Text> accounts;
  Text nicknames;
  for (int i = 0; i < kThreads * kJoinsPerThread; ++i) {
    accounts.push_back(std::to_string(10001 + i));
    nicknames += "[" + accounts.back() + "]\r\n昵称=P" + std::to_string(i) + "\r\n";
  }
  testing::WriteFileBytes(NicknameFile("100"), nicknames);

  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t, &accounts] {
      // The replies share one slot, so the threads leave them unread.
      for (int j = 0; j < kJoinsPerThread; ++j) {
        QuilloraJoin(nullptr, "2", "100", accounts[t * kJoinsPerThread + j].c_str(), nullptr);
      }
    });
  }
  for (std::thread& thread : threads)
    thread.join();

  EXPECT_EQ(ReadProfile(GameFile(), "100", "参加人数"), std::to_string(accounts.size()));
  TextList joined = SplitOn(ReadProfile(GameFile(), "100", "参加人员"), "|");
  std::sort(joined.begin(), joined.end());
  EXPECT_EQ(joined, accounts);
}

}  // namespace
}  // namespace quillora
