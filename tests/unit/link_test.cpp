// The link to the sign-in plugin: the link command that fills the five settings, the
// path of the sign-in data file and the balance operations on it.
#include <gtest/gtest.h>

#include <limits>

#include "game/game_file.hpp"
#include "link/link.hpp"
#include "primitives/platform.hpp"
#include "run_directory.hpp"

namespace quillora {
namespace {

using testing::ReadFileBytes;
using testing::WriteFileBytes;

constexpr char kTovikReply[] = "Tovik插件关联完成[bq14]";
constexpr char kSelvaneReply[] = "Selvane插件关联完成[bq14]";
constexpr char kFailedReply[] = "插件关联失败，请手动配置config\\Quillora.ini";

// The game file after the first link command on a fresh run directory.
constexpr char kAfterTovik[] =
    "[Quillora]\r\n"
    "惩罚金额=10\r\n"
    "群币名称=水晶币\r\n"
    "群币单位=个\r\n"
    "[Quillora路径]\r\n"
    "路径=toviksys\\群号.ini\r\n"
    "群币=群币数量\r\n";
constexpr char kAfterNeither[] =
    "[Quillora路径]\r\n"
    "路径=config\\Kelvaro\\群号.ini\r\n"
    "#路径如果是Tovik的就写 toviksys\\群号.ini\r\n"
    "#路径如果是Selvane请填写 config\\Selvane\\Selvane签到.ini\r\n"
    "#路径就是填签到数据数据路径，其他签到插件自行寻找^_^\r\n"
    "群币=财富\r\n"
    "#群币如果是Tovik的就写 群币数量\r\n"
    "#群币如果是Selvane请填写 玫币\r\n"
    "#群币就是填写数据中记录群币的名称，其他签到插件自行寻找^_^\r\n"
    "\r\n"
    "[Quillora]\r\n"
    "群币名称=水晶币\r\n"
    "群币单位=个\r\n"
    "惩罚金额=10\r\n";

// The file that the profile calls leave where Windows and the POSIX code leave `file`:
// Wine saves it without its blank lines.
Bytes AsSaved(Bytes file) {
  if (testing::RunningOnWine()) {
    for (size_t blank; (blank = file.find("\r\n\r\n")) != Bytes::npos;)
      file.erase(blank, 2);
  }
  return file;
}

class LinkTest : public testing::RunDirectoryTest {
 protected:
  // The link command ignores kind, group and sender; a group and a sender are passed
  // anyway to show that nothing lands in a group section.
  static Text Link(const Text& argument) { return 初始化配置(argument, "2", "100", "111", ""); }
};

TEST_F(LinkTest, FirstTovikLinkWritesPenaltyFirst) {
  EXPECT_EQ(Link("Tovik"), kTovikReply);
  EXPECT_EQ(ReadFileBytes(GameFile()), kAfterTovik);
  EXPECT_EQ(ReadPenalty(), 10);
  EXPECT_EQ(ReadCurrencyName(), "水晶币");
  EXPECT_EQ(ReadMeasureWord(), "个");
}

TEST_F(LinkTest, FirstUnknownLinkWritesTheKelvaroDefaultsWithNotes) {
  EXPECT_EQ(Link("Kelvaro"), kFailedReply);
  EXPECT_EQ(ReadFileBytes(GameFile()), AsSaved(kAfterNeither));
  // The notes are lines of their own: a value reads back as its first line.
  EXPECT_EQ(ReadGameText(kLinkSection, kPathTemplateKey), "config\\Kelvaro\\群号.ini");
  EXPECT_EQ(ReadGameText(kLinkSection, kBalanceKeyKey), "财富");
  EXPECT_EQ(SignInDataPath("100"), RunDirectory() + "\\config\\Kelvaro\\100.ini");
}

TEST_F(LinkTest, ALaterLinkOnlyFillsGaps) {
  struct Case {
    const char* first;
    const char* bytes;
    const char* second;
    const char* reply;
  };
  const Case cases[] = {
      {"Tovik", kAfterTovik, "Selvane", kSelvaneReply},
      {"Tovik", kAfterTovik, "", kFailedReply},
      {"", kAfterNeither, "Tovik", kTovikReply},
  };
  for (const Case& c : cases) {
    testing::RemoveFile(GameFile());
    Link(c.first);
    EXPECT_EQ(Link(c.second), c.reply) << c.first << " then " << c.second;
    EXPECT_EQ(ReadFileBytes(GameFile()), AsSaved(c.bytes)) << c.first << " then " << c.second;
  }
}

TEST_F(LinkTest, TheArgumentChoosesTheBranch) {
  struct Case {
    const char* argument;
    const char* reply;
    const char* pathTemplate;
  };
  const Case cases[] = {
      {"Tovik", kTovikReply, "toviksys\\群号.ini"},
      {"用Tovik签到", kTovikReply, "toviksys\\群号.ini"},
      {"Selvane", kSelvaneReply, "config\\Selvane\\Selvane签到.ini"},
      {"Selvane Tovik", kTovikReply, "toviksys\\群号.ini"},  // Tovik is looked for first
      {"TovikSelvane", kTovikReply, "toviksys\\群号.ini"},
      {"tovik", kFailedReply, "config\\Kelvaro\\群号.ini"},  // letter case counts
      {"SELVANE", kFailedReply, "config\\Kelvaro\\群号.ini"},
      {"", kFailedReply, "config\\Kelvaro\\群号.ini"},
  };
  for (const Case& c : cases) {
    testing::RemoveFile(GameFile());
    EXPECT_EQ(Link(c.argument), c.reply) << c.argument;
    EXPECT_EQ(ReadGameText(kLinkSection, kPathTemplateKey), c.pathTemplate) << c.argument;
  }
  EXPECT_EQ(ReadGameText(kLinkSection, kBalanceKeyKey), "财富");
}

TEST_F(LinkTest, APenaltyThatReadsAsZeroIsReplaced) {
  struct Case {
    const char* settings;  // the "Quillora" section before the link
    const char* penalty;   // "惩罚金额" after it
  };
  const Case cases[] = {
      {"[Quillora]\r\n惩罚金额=0\r\n", "10"},
      {"[Quillora]\r\n惩罚金额=0.5\r\n", "10"},
      {"[Quillora]\r\n惩罚金额=abc\r\n", "10"},
      {"[Quillora]\r\n群币名称=金币\r\n", "10"},  // missing
      {"", "10"},                                 // no game file
      {"[Quillora]\r\n惩罚金额=-5\r\n", "-5"},
      {"[Quillora]\r\n惩罚金额=25\r\n", "25"},
  };
  for (const Case& c : cases) {
    testing::RemoveFile(GameFile());
    if (*c.settings) WriteFileBytes(GameFile(), c.settings);
    Link("Tovik");
    EXPECT_EQ(ReadGameText(kSettingsSection, kPenaltyKey), c.penalty) << c.settings;
  }
  EXPECT_EQ(ReadPenalty(), 25);
}

TEST_F(LinkTest, SettingsThatHaveAValueAreKept) {
  WriteFileBytes(GameFile(),
                 "[Quillora]\r\n群币名称=金币\r\n惩罚金额=3\r\n"
                 "[Quillora路径]\r\n路径=data\\群号.ini\r\n");
  EXPECT_EQ(Link("Selvane"), kSelvaneReply);
  EXPECT_EQ(ReadFileBytes(GameFile()),
            "[Quillora]\r\n群币名称=金币\r\n惩罚金额=3\r\n群币单位=个\r\n"
            "[Quillora路径]\r\n路径=data\\群号.ini\r\n群币=玫币\r\n");
}

// The balance operations, on a game file that names the sign-in data file.
class BalanceTest : public testing::RunDirectoryTest {
 protected:
  void Settings(const Text& pathTemplate, const Text& balanceKey) {
    WriteFileBytes(GameFile(), "[Quillora路径]\r\n路径=" + pathTemplate + "\r\n群币=" + balanceKey +
                                   "\r\n[Quillora]\r\n惩罚金额=10\r\n");
  }
};

TEST_F(BalanceTest, EveryGroupMarkInTheTemplateIsReplaced) {
  Settings("data\\群号\\群号.ini", "群币数量");
  testing::MakeFolder(Path("\\data\\1234"));
  WriteFileBytes(Path("\\data\\1234\\1234.ini"), "[111]\r\n群币数量=25\r\n");
  EXPECT_EQ(SignInDataPath("1234"), Path("\\data\\1234\\1234.ini"));
  EXPECT_EQ(ReadBalance("1234", "111"), 25);
  EXPECT_EQ(ReadBalance("1234", "222"), 0);  // no entry
  EXPECT_EQ(ReadBalance("5678", "111"), 0);  // no file
}

TEST_F(BalanceTest, ATemplateWithoutTheGroupMarkServesEveryGroup) {
  Settings("config\\Selvane\\Selvane签到.ini", "玫币");
  testing::MakeFolder(Path("\\config\\Selvane"));
  WriteFileBytes(Path("\\config\\Selvane\\Selvane签到.ini"), "[111]\r\n玫币=7\r\n");
  EXPECT_EQ(SignInDataPath("1"), SignInDataPath("2"));
  EXPECT_EQ(ReadBalance("1", "111"), 7);
  EXPECT_EQ(ReadBalance("2", "111"), 7);
}

TEST_F(BalanceTest, BalancesAreReadAsTruncatedIntegers) {
  Settings("bank.ini", "coins");
  WriteFileBytes(
      Path("\\bank.ini"),
      "[1]\r\ncoins=12.9\r\n[2]\r\ncoins=-3.5\r\n[3]\r\ncoins=abc\r\n[4]\r\nother=9\r\n");
  const int32_t expected[] = {12, -3, 0, 0};
  for (int32_t i = 0; i < 4; ++i) {
    EXPECT_EQ(ReadBalance("100", NumberText(i + 1)), expected[i]) << "account " << i + 1;
  }
}

TEST_F(BalanceTest, AWriteCreatesTheFileSectionAndKey) {
  Settings("bank.ini", "coins");
  WriteBalance("100", "111", -6);
  EXPECT_EQ(ReadFileBytes(Path("\\bank.ini")), "[111]\r\ncoins=-6\r\n");
  WriteBalance("100", "222", 40);
  WriteBalance("100", "111", 0);
  EXPECT_EQ(ReadFileBytes(Path("\\bank.ini")), "[111]\r\ncoins=0\r\n[222]\r\ncoins=40\r\n");
}

TEST_F(BalanceTest, NothingIsWrittenWithoutABalanceKey) {
  WriteFileBytes(GameFile(), "[Quillora路径]\r\n路径=bank.ini\r\n");
  EXPECT_EQ(ReadBalance("100", "111"), 0);
  WriteBalance("100", "111", 5);
  EXPECT_FALSE(testing::FileExists(Path("\\bank.ini")));
}

TEST(BalanceAfterPenalty, HoldsAtTheIntegerLimits) {
  constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
  constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
  struct Case {
    int32_t balance;
    int32_t penalty;
    int32_t after;
  };
  const Case cases[] = {
      {4, 10, -6},           {25, 10, 15},    {-5, -5, 0},
      {kMin + 5, 10, kMin},  {kMin, 1, kMin}, {kMax, -1, kMax},
      {kMax - 1, -10, kMax}, {kMin, kMin, 0}, {0, kMin, kMax},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(BalanceAfterPenalty(c.balance, c.penalty), c.after)
        << c.balance << " - " << c.penalty;
  }
}

TEST_F(BalanceTest, DeductionWritesTheBalanceLessThePenalty) {
  Settings("bank.ini", "coins");
  WriteFileBytes(Path("\\bank.ini"), "[1]\r\ncoins=4\r\n[2]\r\ncoins=-2147483640\r\n");
  DeductPenalty("100", "1", ReadPenalty());
  DeductPenalty("100", "2", ReadPenalty());
  DeductPenalty("100", "3", ReadPenalty());  // no entry: a balance of 0
  EXPECT_EQ(ReadFileBytes(Path("\\bank.ini")),
            "[1]\r\ncoins=-6\r\n[2]\r\ncoins=-2147483648\r\n[3]\r\ncoins=-10\r\n");
}

}  // namespace
}  // namespace quillora
