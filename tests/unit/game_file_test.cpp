// The game file rules shared by the round handlers: account lists, answer records,
// drawing a line from a game text file and the two listings.
#include <gtest/gtest.h>

#include <set>

#include "game/game_file.hpp"
#include "http_server.hpp"
#include "run_directory.hpp"

namespace quillora {
namespace {

using testing::RunDirectoryTest;
using testing::WriteFileBytes;

struct ListCase {
  const char* list;
  const char* account;
  bool has;
};

TEST(AccountList, MembershipComparesWholeMembers) {
  const ListCase cases[] = {
      {"12345", "12345", true},      // the only member
      {"11|22|33", "11", true},      // first
      {"11|22|33", "22", true},      // middle
      {"11|22|33", "33", true},      // last
      {"12345", "234", false},       // inside a longer number
      {"123|45", "23", false},       // inside the first member
      {"123|45", "3|4", false},      // across the separator
      {"11|22|33", "22|33", false},  // two members are not one
      {"11|22|33", "1", false},
      {"", "1", false},     // the empty list
      {"1|2", "", false},   // the empty account is in no list ...
      {"1||2", "", false},  // ... not even beside an empty member
      {"|", "", false},
  };
  for (const ListCase& c : cases) {
    EXPECT_EQ(ListHas(c.list, c.account), c.has)
        << "list '" << c.list << "' account '" << c.account << "'";
  }
}

TEST(AccountList, AppendJoinsWithBarOnlyBetweenMembers) {
  struct Case {
    const char* list;
    const char* account;
    const char* result;
  };
  const Case cases[] = {
      {"", "12", "12"},
      {"12", "34", "12|34"},
      {"12|34", "5", "12|34|5"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ListAppend(c.list, c.account), c.result) << "list '" << c.list << "'";
    EXPECT_TRUE(ListHas(ListAppend(c.list, c.account), c.account));
  }
}

TEST(AnswerRecord, IsReadFromBothEnds) {
  struct Case {
    Text record;
    bool usable;
    const char* author;
    Text answer;
    const char* votes;
  };
  const Case cases[] = {
      {"111|yes|0", true, "111", "yes", "0"},
      {"111|a|b|2", true, "111", "a|b", "2"},            // an answer holding "|" stays whole
      {"111|x||y|12", true, "111", "x||y", "12"},        // ... also with an empty piece inside
      {"111||0", true, "111", "", "0"},                  // the empty answer
      {"111||||3", true, "111", "||", "3"},              // an answer of bars only
      {"111|\x81\x7C|4", true, "111", "\x81\x7C", "4"},  // a trail byte 0x7C is no separator
      {"111|yes", false, "111", "", ""},                 // two fields: no vote count
      {"111|yes|", false, "111", "", ""},                // a closing bar adds no field
      {"111", false, "111", "", ""},                     // edited by hand
      {"", false, "", "", ""},                           // missing
  };
  for (const Case& c : cases) {
    const AnswerRecord read = ReadAnswerRecord(c.record);
    EXPECT_EQ(read.usable, c.usable) << c.record;
    EXPECT_EQ(read.author, c.author) << c.record;
    EXPECT_EQ(read.answer, c.answer) << c.record;
    EXPECT_EQ(read.votes, c.votes) << c.record;
    // What the answer handler stores reads back as it was stored.
    if (c.usable) {
      EXPECT_EQ(AnswerRecordText(read.author, read.answer, read.votes), c.record);
    }
  }
}

class GameFileTest : public RunDirectoryTest {};

TEST_F(GameFileTest, NumbersAreTruncatedAndMissingReadsAsZero) {
  WriteFileBytes(GameFile(),
                 "[100]\r\n流程=2\r\n参加人数=3.9\r\n描述人数=-2.9\r\n投票人数=abc\r\n");
  struct Case {
    const char* section;
    const char* key;
    int32_t value;
  };
  const Case cases[] = {
      {"100", kPhaseKey, kPhaseVoting},  {"100", kJoinedCountKey, 3}, {"100", kAnswerCountKey, -2},
      {"100", kVoteCountKey, 0},         {"100", kPunishedKey, 0},  // missing key
      {"200", kPhaseKey, kPhaseJoining},                            // missing section
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ReadGameNumber(c.section, c.key), c.value) << c.section << " " << c.key;
  }
}

TEST_F(GameFileTest, WritesCreateTheFileAndReadBack) {
  WriteGameText("100", kJoinedListKey, "111|222");
  WriteGameText("100", kJoinedCountKey, "2");
  EXPECT_EQ(testing::ReadFileBytes(GameFile()), "[100]\r\n参加人员=111|222\r\n参加人数=2\r\n");
  EXPECT_EQ(ReadGameText("100", kJoinedListKey), "111|222");
  EXPECT_EQ(ReadGameNumber("100", kJoinedCountKey), 2);
}

TEST_F(GameFileTest, DrawLineGivesTheEmptyTextWhenThereIsNoLine) {
  EXPECT_EQ(DrawLine(TruthFilePath()), "");  // missing file
  WriteFileBytes(Path("\\plugin\\真心话.txt"), "");
  EXPECT_EQ(DrawLine(TruthFilePath()), "");
  WriteFileBytes(Path("\\plugin\\真心话.txt"), Bytes("\0abc", 4));  // no text before the zero
  EXPECT_EQ(DrawLine(TruthFilePath()), "");
}

TEST_F(GameFileTest, DrawLineOfASingleMember) {
  struct Case {
    Bytes content;
    Text line;
  };
  const Case cases[] = {
      {"你最怕什么？", "你最怕什么？"},
      {"你最怕什么？\r\n", "你最怕什么？"},  // a closing line break adds no line
      {"a\nb\nc", "a\nb\nc"},                // LF alone does not end a line
      {"a\rb\r\n", "a\rb"},                  // nor does CR alone
  };
  for (const Case& c : cases) {
    WriteFileBytes(Path("\\plugin\\大冒险.txt"), c.content);
    EXPECT_EQ(DrawLine(DareFilePath()), c.line) << testing::Utf8(c.content);
  }
}

TEST_F(GameFileTest, DrawLineReachesEveryLineAndCarriesNoLineBreak) {
  WriteFileBytes(Path("\\plugin\\真心话.txt"), "第一\r\n第二\r\n第三\r\n");
  const std::set<Text> lines = {"第一", "第二", "第三"};
  std::set<Text> drawn;
  for (int i = 0; i < 60; ++i) {
    const Text line = DrawLine(TruthFilePath());
    EXPECT_TRUE(lines.count(line) == 1) << testing::Utf8(line);
    EXPECT_EQ(line.find_first_of("\r\n"), Text::npos);
    drawn.insert(line);
  }
  EXPECT_EQ(drawn, lines);
}

// Nicknames come from the group's nickname file; a server stands in for the portrait
// endpoint so that a lookup that should not happen is seen.
class ListingTest : public RunDirectoryTest {
 protected:
  void SetUp() override {
    RunDirectoryTest::SetUp();
    testing::MakeFolder(Path("\\config\\Kelvaro"));
    WriteFileBytes(Path("\\config\\Kelvaro\\100.ini"),
                   "[111]\r\n昵称=Ann\r\n[222]\r\n昵称=小明\r\n");
    WriteFileBytes(GameFile(), "[Quillora]\r\n昵称接口=" + server_.HostAndPort() + "\r\n");
  }
  testing::LocalHttpServer server_;
};

TEST_F(ListingTest, RosterNumbersEveryMember) {
  EXPECT_EQ(RosterListing("111|222", "100"), "1、【Ann】[enter]2、【小明】[enter]");
  EXPECT_EQ(RosterListing("222", "100"), "1、【小明】[enter]");
  EXPECT_EQ(RosterListing("", "100"), "");
  EXPECT_TRUE(server_.Requests().empty());
}

TEST_F(ListingTest, AnswerListingShowsWholeAnswersAndSurvivesBrokenRecords) {
  WriteGameText("100", "1", "111|yes|0");
  WriteGameText("100", "2", "222|是|不是|2");  // an answer holding "|"
  WriteGameText("100", "3", "111");            // edited by hand
  // record 4 is missing
  EXPECT_EQ(AnswerListing("100", 4),
            "1、【Ann】:yes[enter]2、【小明】:是|不是[enter]3、【Ann】:[enter]4、【】:[enter]");
  EXPECT_EQ(AnswerListing("100", 0), "");
  EXPECT_TRUE(server_.Requests().empty());  // the missing record's empty author is not looked up
}

}  // namespace
}  // namespace quillora
