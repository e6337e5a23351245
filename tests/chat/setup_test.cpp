// The run directory that `setup` and the demo make, with the example settings file
// that the bundle ships: the plugin must work on it as the operator's guide says.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "chat/files.hpp"
#include "chat/setup.hpp"
#include "game/game_file.hpp"
#include "link/link.hpp"
#include "names/nickname.hpp"
#include "primitives/platform.hpp"
#include "run_directory.hpp"

namespace quillora::chat {
namespace {

using quillora::testing::ReadFileBytes;
using quillora::testing::WriteFileBytes;

class SetupTest : public quillora::testing::RunDirectoryTest {
 protected:
  void SetUp() override {
    RunDirectoryTest::SetUp();
    std::filesystem::remove_all(FsPath(Path("\\config")));
    std::filesystem::remove_all(FsPath(Path("\\plugin")));
  }
};

TEST_F(SetupTest, RefusesAFolderThatHoldsAnything) {
  WriteFileBytes(Path("\\notes.txt"), "mine");
  std::string problem;
  EXPECT_FALSE(PrepareRunDirectory(&problem));
  EXPECT_FALSE(problem.empty());
  EXPECT_FALSE(FolderExists(Path("\\config")));
  EXPECT_EQ(ReadFileBytes(Path("\\notes.txt")), "mine");
}

TEST_F(SetupTest, InstallsQuestionFilesThatThePluginDrawsFrom) {
  std::string problem;
  ASSERT_TRUE(PrepareRunDirectory(&problem)) << problem;
  EXPECT_EQ(ReadFileBytes(TruthFilePath()), QuestionFileBytes(TruthBank()));
  const Text truths = TruthBank();
  const Text dares = DareBank();
  for (int draw = 0; draw < 20; ++draw) {
    const Text truth = DrawLine(TruthFilePath());
    const Text dare = DrawLine(DareFilePath());
    EXPECT_FALSE(truth.empty());
    EXPECT_NE(truths.find(truth + "\n"), Text::npos) << truth;
    EXPECT_NE(dares.find(dare + "\n"), Text::npos) << dare;
  }
}

TEST_F(SetupTest, TheExampleSettingsReadAsDocumentedAndTheLinkFillsTheGaps) {
  std::string problem;
  ASSERT_TRUE(PrepareRunDirectory(&problem)) << problem;
  EXPECT_EQ(ReadCurrencyName(), "水晶币");
  EXPECT_EQ(ReadMeasureWord(), "个");
  EXPECT_EQ(ReadPenalty(), 10);
  EXPECT_EQ(ReadGameText(kSettingsSection, kNicknameEndpointKey), "");
  EXPECT_EQ(ReadGameText(kLinkSection, kPathTemplateKey), "") << "left to the link command";

  EXPECT_EQ(初始化配置("Tovik", "", "", "", ""), "Tovik插件关联完成[bq14]");
  EXPECT_EQ(ReadGameText(kLinkSection, kPathTemplateKey), "toviksys\\群号.ini");
  EXPECT_EQ(ReadGameText(kLinkSection, kBalanceKeyKey), "群币数量");
  EXPECT_EQ(SignInDataPath("2002"), RunDirectory() + "\\toviksys\\2002.ini");
  // The operator's notes stay in the file.
  const Bytes file = ReadFileBytes(GameFile());
  EXPECT_NE(file.find("; 群币: the key under which that file keeps a player's balance.\r\n"),
            Bytes::npos)
      << file;
  EXPECT_EQ(file.find('\n', file.find("toviksys")), file.find("\r\n", file.find("toviksys")) + 1);
}

}  // namespace
}  // namespace quillora::chat
