// The simulator's host behaviour: reading the registration text, matching keywords,
// rendering replies, and checking scripts against what the plugin said.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "boundary/exports.hpp"
#include "chat/charset.hpp"
#include "chat/files.hpp"
#include "chat/host.hpp"
#include "chat/plugin.hpp"
#include "chat/session.hpp"
#include "primitives/platform.hpp"
#include "run_directory.hpp"

namespace quillora::chat {
namespace {

using quillora::testing::Gbk;
using quillora::testing::RunDirectoryTest;

std::string U8(const char8_t* text) {
  return reinterpret_cast<const char*>(text);
}

Text Record(const Text& version, const Text& keyword, const Text& hint, const Text& name,
            const Text& code) {
  return "Quillora\r\n" + version + "\r\nVendrel\r\nQuillora\r\n" + keyword + "\r\n" + hint +
         "\r\n\r\n" + name + "\r\n" + code + "\r\n假\r\n";
}

// The registration text as the host reads it: seven records between "-----" lines.
Text RegistrationText() {
  const Text separator = "\r\n-----\r\n";
  return Record(" 1 .4", "@关联插件", "Tovik/Selvane", "初始化配置", "1") + separator +
         Record("1.4版", "@Quillora", "", "Quillora", "1") + separator +
         Record("1.4版", "start", "", "start", "2") + separator +
         Record("1.4版", "@真心话", "内容", "答案", "2") + separator +
         Record("1.4版", "@投票", "数字", "投票", "2") + separator +
         Record("1.4版", "@惩罚结果", "", "投票结果", "2") + separator +
         Record("1.4版", "@结束游戏", "", "结束游戏", "2");
}

TEST(Registration, ReadsKeywordHintAndExportOfEveryRecord) {
  std::vector<Registration> records;
  std::string problem;
  ASSERT_TRUE(ParseRegistration(RegistrationText(), &records, &problem)) << problem;
  const std::vector<std::vector<Text>> expected = {
      {"@关联插件", "Tovik/Selvane", "初始化配置"},
      {"@Quillora", "", "Quillora"},
      {"start", "", "start"},
      {"@真心话", "内容", "答案"},
      {"@投票", "数字", "投票"},
      {"@惩罚结果", "", "投票结果"},
      {"@结束游戏", "", "结束游戏"},
  };
  ASSERT_EQ(records.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(records[i].keyword, expected[i][0]) << "record " << i + 1;
    EXPECT_EQ(records[i].hint, expected[i][1]) << "record " << i + 1;
    EXPECT_EQ(records[i].exportName, expected[i][2]) << "record " << i + 1;
  }
}

TEST(Registration, RefusesTextsThatAreNotTenFieldRecords) {
  const Text good = Record("1.4版", "start", "", "start", "2");
  const struct {
    const char* name;
    Text text;
  } cases[] = {
      {"empty", ""},
      {"nine fields", good.substr(0, good.size() - std::string("假\r\n").size())},
      {"eleven fields", good + "x\r\n"},
      {"last field without CR LF", good.substr(0, good.size() - 2)},
      {"LF instead of CR LF", "Quillora\n1.4\nVendrel\nQuillora\nstart\n\n\nstart\n2\n假\n"},
      {"no keyword", Record("1.4版", "", "", "start", "2")},
      {"no export name", Record("1.4版", "start", "", "", "2")},
      {"a bad second record", good + "\r\n-----\r\n" + "Quillora\r\n"},
  };
  for (const auto& c : cases) {
    std::vector<Registration> records;
    std::string problem;
    EXPECT_FALSE(ParseRegistration(c.text, &records, &problem)) << c.name;
    EXPECT_FALSE(problem.empty()) << c.name;
    EXPECT_TRUE(records.empty()) << c.name;
  }
}

#ifndef _WIN32
// Natively the plugin code is linked in; its own registration text must name handlers
// that the simulator can call. (The Windows build finds them in the DLL.)
TEST(Registration, ThePluginsOwnTextNamesCallableHandlers) {
  std::vector<Registration> records;
  std::string problem;
  ASSERT_TRUE(ParseRegistration(QuilloraInfo(), &records, &problem)) << problem;
  ASSERT_EQ(records.size(), 7u);
  for (const Registration& record : records) {
    EXPECT_NE(FindHandler(record.exportName), nullptr) << record.exportName;
  }
  EXPECT_EQ(FindHandler("获取QQ昵称"), nullptr) << "a utility export is no handler";
}
#endif

TEST(Keywords, TheLongestKeywordAtTheStartWinsAndTheRestIsTheArgument) {
  std::vector<Registration> records;
  std::string problem;
  ASSERT_TRUE(ParseRegistration(RegistrationText(), &records, &problem)) << problem;
  // Overlapping keywords, as another plugin's registration could have them.
  records.push_back({"@投", "", "short"});
  records.push_back({"@投票结果", "", "long"});
  const struct {
    Text message;
    Text exportName;  // empty: no handler
    Text argument;
  } cases[] = {
      {"@投票 2", "投票", " 2"},
      {"@投票2", "投票", "2"},
      {"@投票", "投票", ""},
      {"@投票结果", "long", ""},
      {"@投票结果 x", "long", " x"},
      {"@投x", "short", "x"},
      {"@惩罚结果", "投票结果", ""},
      {"@真心话 我怕黑 ", "答案", " 我怕黑 "},
      {"@关联插件 Tovik", "初始化配置", " Tovik"},
      {"start", "start", ""},
      {"start now", "start", " now"},
      {"Start", "", ""},
      {" @Quillora", "", ""},
      {"我要 @Quillora", "", ""},
      {"@Quillor", "", ""},
      {"", "", ""},
  };
  for (const auto& c : cases) {
    const KeywordMatch match = MatchKeyword(records, c.message);
    if (c.exportName.empty()) {
      EXPECT_EQ(match.registration, nullptr) << c.message;
      continue;
    }
    ASSERT_NE(match.registration, nullptr) << c.message;
    EXPECT_EQ(match.registration->exportName, c.exportName) << c.message;
    EXPECT_EQ(match.argument, c.argument) << c.message;
  }
}

TEST(Rendering, TurnsMarkupIntoWhatAMemberSees) {
  const struct {
    Text reply;  // GBK, as the plugin returns it
    std::string shown;
  } cases[] = {
      {"", ""},
      {"【阿青】发起了Quillora游戏！[enter]发送@Quillora 即可加入游戏！",
       U8(u8"【阿青】发起了Quillora游戏！\n发送@Quillora 即可加入游戏！")},
      {"已经获得1票\r\n请发送 @惩罚结果", U8(u8"已经获得1票\n请发送 @惩罚结果")},
      {"a\nb\rc", "a\nb\nc"},
      {"[bq14][bq9][bq108]", U8(u8"🙂😭😈")},
      {"[bq1]x[bq200]", U8(u8"[表情1]x[表情200]")},
      {"[bq][bqx][bq14 [bq-1] [enter", "[bq][bqx][bq14 [bq-1] [enter"},
      {"[ENTER][Enter]", "[ENTER][Enter]"},
      {"[cqname]最讨厌玩到一半退出的人", U8(u8"阿青最讨厌玩到一半退出的人")},
      {"1、【A】[enter]2、【B】[enter]", U8(u8"1、【A】\n2、【B】\n")},
      // 0x81 0x5B is one GBK character whose second byte is "[": no markup starts there.
      {"\x81\x5B"
       "enter]",
       U8(u8"乕enter]")},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(RenderReply(c.reply, U8(u8"阿青")), c.shown) << c.shown;
  }
}

TEST(Rendering, ABrokenGbkByteDoesNotSwallowTheRest) {
  // What stands for the byte differs between iconv and Windows; the text around it stays.
  const std::string shown = RenderReply("a\xFF[enter]z", "");
  ASSERT_GE(shown.size(), 4u);
  EXPECT_EQ(shown.substr(0, 1), "a");
  EXPECT_EQ(shown.substr(shown.size() - 2), "\nz");
}

TEST(Rendering, EveryFaceThePluginUsesIsAnEmoji) {
  for (int face : {5, 9, 12, 13, 14, 23, 26, 53, 57, 80, 81, 84, 97, 99, 105, 108}) {
    const std::string shown = FaceText(face);
    EXPECT_EQ(shown.find('['), std::string::npos) << face;
    EXPECT_GE(static_cast<unsigned char>(shown[0]), 0xE0) << face;
  }
  EXPECT_EQ(FaceText(6), U8(u8"[表情6]"));
}

TEST(Rendering, ReplyLinesKeepAnEmptyLastLine) {
  EXPECT_TRUE(ReplyLines("").empty());
  EXPECT_EQ(ReplyLines("a"), (std::vector<std::string>{"a"}));
  EXPECT_EQ(ReplyLines("a\n\nb"), (std::vector<std::string>{"a", "", "b"}));
  EXPECT_EQ(ReplyLines("a\n"), (std::vector<std::string>{"a", ""}));
}

class NamesTest : public RunDirectoryTest {};

TEST_F(NamesTest, TheSenderIsNamedFromTheNicknameFileElseByAccount) {
  quillora::testing::MakeFolder(Path("\\config\\Kelvaro"));
  quillora::testing::WriteFileBytes(Path("\\config\\Kelvaro\\2002.ini"),
                                    "[10001]\r\n昵称=阿青\r\n[10002]\r\n昵称=\r\n");
  EXPECT_EQ(DisplayName("2002", "10001"), "阿青");
  EXPECT_EQ(DisplayName("2002", "10002"), "10002") << "an empty nickname";
  EXPECT_EQ(DisplayName("2002", "10003"), "10003") << "no section";
  EXPECT_EQ(DisplayName("3003", "10001"), "10001") << "another group's file";
  EXPECT_EQ(RenderReply("[bq105][cqname]最讨厌", ToUtf8(DisplayName("2002", "10001"))),
            U8(u8"😒阿青最讨厌"));
}

}  // namespace
}  // namespace quillora::chat

namespace quillora::chat {
namespace {

TEST(Paths, TheParentFolderEndsAtASeparatorThatBeginsACharacter) {
  const struct {
    Text path;
    Text parent;
  } cases[] = {
      {"C:\\host\\config\\Kelvaro\\2002.ini", "C:\\host\\config\\Kelvaro"},
      // 0x95 0x5C is one GBK character: its second byte is no separator.
      {"C:\\host\\\x95\x5C.ini", "C:\\host"},
      {"C:\\host\\\x95\x5C\\a.ini", "C:\\host\\\x95\x5C"},
      {"a.ini", ""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ParentFolder(c.path), c.parent) << c.path;
}

}  // namespace
}  // namespace quillora::chat
