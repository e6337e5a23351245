// `quillora-chat check`: each usual mistake in a run directory is found and says what
// to do, and `--fix` leaves question files that the plugin reads as meant.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "chat/check.hpp"
#include "chat/files.hpp"
#include "chat/setup.hpp"
#include "game/game_file.hpp"
#include "http_server.hpp"
#include "primitives/platform.hpp"
#include "run_directory.hpp"

namespace quillora::chat {
namespace {

using quillora::testing::FileExists;
using quillora::testing::Gbk;
using quillora::testing::ReadFileBytes;
using quillora::testing::RemoveFile;
using quillora::testing::WriteFileBytes;

const std::string kUtf8Questions = "你怕黑吗？\n你会唱歌吗？\n";  // GB18030 here: GBK bytes
const std::string kBom = "\xEF\xBB\xBF";

// The UTF-8 bytes of a GBK text, as an editor that saves UTF-8 writes them.
std::string Utf8Of(const Text& gbk) {
  return quillora::testing::Utf8(gbk);
}

TEST(QuestionFiles, NamesWhatKeepsThePluginFromReadingThem) {
  using enum Issue;
  const Text good = "你怕黑吗？\r\n你会唱歌吗？\r\n";
  const struct {
    const char* name;
    Bytes content;
    std::vector<Issue> issues;
  } cases[] = {
      {"GBK with CR LF", good, {}},
      {"GBK, no line break at the end", "你怕黑吗？\r\n你会唱歌吗？", {}},
      {"ASCII with CR LF", "a\r\nb\r\n", {}},
      {"UTF-8", Utf8Of(good), {kQuestionFileUtf8}},
      {"UTF-8 with BOM", kBom + Utf8Of(good), {kQuestionFileUtf8Bom}},
      {"ASCII with a BOM", kBom + "a\r\n", {kQuestionFileUtf8Bom}},
      {"GBK with LF", "你怕黑吗？\n你会唱歌吗？\n", {kQuestionFileLfOnly}},
      {"GBK with one LF among CR LF", "a\r\nb\nc\r\n", {kQuestionFileLfOnly}},
      {"GBK with CR alone", "a\rb\r", {kQuestionFileLfOnly}},
      {"UTF-8 with LF", Utf8Of("你怕黑吗？\n"), {kQuestionFileUtf8, kQuestionFileLfOnly}},
      {"an empty line inside", "a\r\n\r\nb\r\n", {kQuestionFileEmptyLines}},
      {"blank lines at the end", "a\r\n  \r\n\r\n", {kQuestionFileEmptyLines}},
      {"empty", "", {kQuestionFileEmpty}},
      {"line breaks only", "\r\n\r\n", {kQuestionFileEmpty}},
      {"a BOM only", kBom, {kQuestionFileEmpty}},
      {"UTF-16",
       std::string("\xFF\xFE"
                   "a\0\r\0\n\0",
                   8),
       {kQuestionFileNotGbk}},
      {"cut in a character", "a\r\n\xC4", {kQuestionFileNotGbk}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(QuestionFileIssues(c.content), c.issues) << c.name;
  }
}

TEST(QuestionFiles, FixingGivesGbkWithCrLfAndNoEmptyLines) {
  const Text wanted = "你怕黑吗？\r\n你会唱歌吗？\r\n";
  const struct {
    const char* name;
    Bytes content;
  } cases[] = {
      {"UTF-8 with LF", Utf8Of("你怕黑吗？\n你会唱歌吗？\n")},
      {"UTF-8 with BOM and CR LF", kBom + Utf8Of(wanted)},
      {"GBK with LF and empty lines", "\n你怕黑吗？\n\n  \n你会唱歌吗？"},
      {"GBK with CR", "你怕黑吗？\r你会唱歌吗？\r"},
      {"already right", wanted},
  };
  for (const auto& c : cases) {
    Bytes fixed;
    ASSERT_TRUE(FixedQuestionFile(c.content, &fixed)) << c.name;
    EXPECT_EQ(fixed, wanted) << c.name;
  }
  Bytes fixed;
  EXPECT_FALSE(FixedQuestionFile("\xF0\x9F\x98\x80 emoji\n", &fixed)) << "GBK has no emoji";
  EXPECT_FALSE(FixedQuestionFile(std::string("\xFF\xFE"
                                             "a\0",
                                             4),
                                 &fixed))
      << "UTF-16";
}

// A run directory as an operator should leave it; each case then breaks one thing.
class CheckTest : public quillora::testing::RunDirectoryTest {
 protected:
  void SetUp() override {
    RunDirectoryTest::SetUp();
    WriteFileBytes(TruthFilePath(), QuestionFileBytes(TruthBank()));
    WriteFileBytes(DareFilePath(), QuestionFileBytes(DareBank()));
    WriteFileBytes(GameFile(),
                   "[Quillora路径]\r\n路径=toviksys\\群号.ini\r\n群币=群币数量\r\n"
                   "[Quillora]\r\n群币名称=水晶币\r\n群币单位=个\r\n惩罚金额=10\r\n"
                   "昵称接口=" +
                       server_.HostAndPort() + "\r\n");
    quillora::testing::MakeFolder(Path("\\toviksys"));
    WriteFileBytes(Path("\\toviksys\\2002.ini"), "[10001]\r\n群币数量=100\r\n");
    quillora::testing::MakeFolder(Path("\\config\\Kelvaro"));
    WriteFileBytes(Path("\\config\\Kelvaro\\2002.ini"), "[10001]\r\n昵称=阿青\r\n");
    server_.Respond("portraitCallBack({\"10000\":[\"x\",0,\"\",0,\"Ann\",0]})");
  }

  std::vector<Finding> Check(bool fix = false) {
    CheckOptions options;
    options.group = "2002";
    options.fix = fix;
    return CheckRunDirectory(options);
  }

  static std::vector<Issue> Problems(const std::vector<Finding>& findings) {
    std::vector<Issue> problems;
    for (const Finding& finding : findings) {
      if (finding.severity == Severity::kProblem) problems.push_back(finding.issue);
    }
    return problems;
  }

  quillora::testing::LocalHttpServer server_;
};

TEST_F(CheckTest, AWellKeptRunDirectoryHasNoProblem) {
  const std::vector<Finding> findings = Check();
  EXPECT_TRUE(Problems(findings).empty());
  for (const Finding& finding : findings) {
    EXPECT_NE(finding.severity, Severity::kNote) << finding.what;
  }
  ASSERT_FALSE(server_.Requests().empty());
  EXPECT_EQ(server_.Requests()[0].target, "/fcg-bin/cgi_get_portrait.fcg?uins=10000");
}

TEST_F(CheckTest, FindsEachUsualMistakeAndSaysWhatToDo) {
  using enum Issue;
  const Text linkOnly = "[Quillora路径]\r\n路径=toviksys\\群号.ini\r\n群币=群币数量\r\n";
  const struct {
    const char* name;
    std::function<void()> breakIt;
    Issue issue;
    size_t problems = 1;
  } cases[] = {
      // Without the game file the link is gone too.
      {"no config folder", [this] { std::filesystem::remove_all(FsPath(Path("\\config"))); },
       kNoConfigFolder, 2},
      {"truth file missing", [] { RemoveFile(TruthFilePath()); }, kQuestionFileMissing},
      {"dare file empty", [] { WriteFileBytes(DareFilePath(), ""); }, kQuestionFileEmpty},
      {"truth file in UTF-8", [] { WriteFileBytes(TruthFilePath(), Utf8Of("你怕黑吗？\r\n")); },
       kQuestionFileUtf8},
      {"dare file in UTF-8 with BOM",
       [] { WriteFileBytes(DareFilePath(), kBom + Utf8Of("唱首歌\r\n")); }, kQuestionFileUtf8Bom},
      {"truth file with LF", [] { WriteFileBytes(TruthFilePath(), "a\nb\n"); },
       kQuestionFileLfOnly},
      {"no link",
       [this] {
         WriteFileBytes(GameFile(),
                        "[Quillora]\r\n惩罚金额=10\r\n昵称接口=" + server_.HostAndPort() + "\r\n");
       },
       kNoLink},
      {"sign-in data elsewhere", [this] { RemoveFile(Path("\\toviksys\\2002.ini")); },
       kNoSignInData},
      {"balances under another key",
       [this] { WriteFileBytes(Path("\\toviksys\\2002.ini"), "[10001]\r\n财富=100\r\n"); },
       kNoBalances},
      // Port 9 on this machine: nothing listens, the connection is refused at once.
      {"endpoint silent",
       [&] {
         WriteFileBytes(GameFile(),
                        linkOnly + "[Quillora]\r\n惩罚金额=10\r\n昵称接口=127.0.0.1:9\r\n");
       },
       kEndpointSilent},
  };
  for (const auto& c : cases) {
    TearDown();
    SetUp();
    c.breakIt();
    CheckOptions options;
    options.group = "2002";
    // Without a game file the endpoint would be the public default: never asked here.
    options.web = c.issue != kNoConfigFolder;
    const std::vector<Finding> findings = CheckRunDirectory(options);
    const auto found = std::find_if(findings.begin(), findings.end(), [&](const Finding& f) {
      return f.issue == c.issue && f.severity == Severity::kProblem;
    });
    ASSERT_NE(found, findings.end()) << c.name;
    EXPECT_FALSE(found->todo.empty()) << c.name;
    EXPECT_EQ(Problems(findings).size(), c.problems) << c.name;
  }
}

TEST_F(CheckTest, NotesWhatIsLegalButSurprising) {
  WriteFileBytes(GameFile(),
                 "[Quillora路径]\r\n路径=toviksys\\群号.ini\r\n群币=群币数量\r\n"
                 "[Quillora]\r\n昵称接口=" +
                     server_.HostAndPort() + "\r\n");
  RemoveFile(Path("\\config\\Kelvaro\\2002.ini"));
  std::vector<Issue> notes;
  for (const Finding& finding : Check()) {
    if (finding.severity == Severity::kNote) notes.push_back(finding.issue);
  }
  EXPECT_EQ(notes, (std::vector<Issue>{Issue::kNoPenalty, Issue::kNoNicknameFile}));
}

TEST_F(CheckTest, FixConvertsQuestionFilesThatThePluginThenReads) {
  const Bytes original = kBom + Utf8Of("你怕黑吗？\n\n你会唱歌吗？\n");
  WriteFileBytes(TruthFilePath(), original);
  const std::vector<Finding> findings = Check(/*fix=*/true);
  EXPECT_TRUE(Problems(findings).empty());
  EXPECT_TRUE(std::any_of(findings.begin(), findings.end(),
                          [](const Finding& f) { return f.severity == Severity::kFixed; }));
  EXPECT_EQ(ReadFileBytes(TruthFilePath()), "你怕黑吗？\r\n你会唱歌吗？\r\n");
  EXPECT_EQ(ReadFileBytes(TruthFilePath() + ".bak"), original);
  for (int draw = 0; draw < 20; ++draw) {
    const Text line = DrawLine(TruthFilePath());
    EXPECT_TRUE(line == "你怕黑吗？" || line == "你会唱歌吗？") << line;
  }
  EXPECT_TRUE(Problems(Check()).empty()) << "nothing left to fix";

  // A second fix keeps the first backup.
  WriteFileBytes(TruthFilePath(), "a\nb\n");
  Check(/*fix=*/true);
  EXPECT_EQ(ReadFileBytes(TruthFilePath() + ".bak"), original);
  EXPECT_EQ(ReadFileBytes(TruthFilePath() + ".bak2"), "a\nb\n");
}

TEST_F(CheckTest, FixLeavesAFileItCannotConvertAlone) {
  const Bytes original = "\xF0\x9F\x98\x80 emoji\n";
  WriteFileBytes(TruthFilePath(), original);
  EXPECT_EQ(Problems(Check(/*fix=*/true)), std::vector<Issue>{Issue::kQuestionFileNotFixable});
  EXPECT_EQ(ReadFileBytes(TruthFilePath()), original);
  EXPECT_FALSE(FileExists(TruthFilePath() + ".bak"));
}

TEST(QuestionBanks, TheSamplesHoldEnoughDistinctQuestions) {
  for (const char* bank : {TruthBank(), DareBank()}) {
    const Bytes file = QuestionFileBytes(bank);
    EXPECT_TRUE(QuestionFileIssues(file).empty());
    std::vector<Text> lines = SplitOn(file, "\r\n");
    EXPECT_GE(lines.size(), 80u);
    std::sort(lines.begin(), lines.end());
    EXPECT_EQ(std::adjacent_find(lines.begin(), lines.end()), lines.end()) << "a repeated line";
  }
}

}  // namespace
}  // namespace quillora::chat
