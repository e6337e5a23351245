// The platform operations apart from the profile files and the web: whole files, the
// run directory, the tick count and the local clock.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "primitives/platform.hpp"
#include "primitives/platform_detail.hpp"
#include "run_directory.hpp"

#ifdef _WIN32
#include <windows.h>
#endif

namespace quillora {
namespace {

using WholeFileTest = testing::RunDirectoryTest;

TEST_F(WholeFileTest, GivesTheBytesOfTheFileOrNothing) {
  struct Case {
    const char* name;
    Text relative;  // the file written, or "" for none
    Bytes content;
    Text read;  // the path read
  };
  const Bytes binary("a\0b\r\n\xFF\0\x80", 8);
  const Bytes big = [] {
    Bytes bytes;
    for (int i = 0; i < 300000; ++i)
      bytes += static_cast<char>(i * 7 % 256);
    return bytes;
  }();
  const Case cases[] = {
      {"missing file", "", "", "\\plugin\\missing.txt"},
      {"missing folder", "", "", "\\nowhere\\a.txt"},
      {"empty file", "\\plugin\\empty.txt", "", "\\plugin\\empty.txt"},
      {"text with CR LF", "\\plugin\\a.txt", "one\r\ntwo\r\n", "\\plugin\\a.txt"},
      {"zero bytes and high bytes stay", "\\plugin\\b.bin", binary, "\\plugin\\b.bin"},
      {"a GBK file name", "\\plugin\\真心话.txt", "真心话？\r\n", "\\plugin\\真心话.txt"},
      {"a big file", "\\plugin\\big.bin", big, "\\plugin\\big.bin"},
      {"a folder", "", "", "\\plugin"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (!c.relative.empty()) testing::WriteFileBytes(Path(c.relative), c.content);
    EXPECT_EQ(ReadWholeFile(Path(c.read)), c.content);
  }
  EXPECT_EQ(ReadWholeFile(""), "");
}

#ifdef _WIN32
TEST_F(WholeFileTest, AFileThatAnotherHandleWritesReadsAsNothing) {
  const Text path = Path("\\plugin\\busy.txt");
  testing::WriteFileBytes(path, "line\r\n");
  HANDLE writer = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(writer, INVALID_HANDLE_VALUE);
  EXPECT_EQ(ReadWholeFile(path), "");
  CloseHandle(writer);
  EXPECT_EQ(ReadWholeFile(path), "line\r\n");
}
#endif

TEST(FolderOfTest, CutsBeforeTheLastSeparatorOfACharacter) {
  struct Case {
    Text path;
    char separator;
    Text folder;
  };
  const Case cases[] = {
      {"C:\\Host\\Host.exe", '\\', "C:\\Host"},
      {"C:\\Host.exe", '\\', "C:"},
      {"Host.exe", '\\', ""},
      {"", '\\', ""},
      {"C:\\Host\\", '\\', "C:\\Host"},
      // 0x95 0x5C is one character whose second byte is "\": no separator there.
      {"C:\\a\\\x95\x5C.exe", '\\', "C:\\a"},
      {"C:\\\x95\x5C\\b.exe", '\\', "C:\\\x95\x5C"},
      {"\x95\x5C.exe", '\\', ""},
      {"C:\\a\\\x95", '\\', "C:\\a"},  // a dangling last byte
      {"C:\\机器人\\Host.exe", '\\', "C:\\机器人"},
      {"/opt/host/bin/host", '/', "/opt/host/bin"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(FolderOf(c.path, c.separator), c.folder);
  }
}

using RunDirectoryTest = testing::RunDirectoryTest;

TEST_F(RunDirectoryTest, IsTheFixedTextAndTheExecutableFolderOtherwise) {
  EXPECT_EQ(RunDirectory(), dir());
  FixRunDirectory("C:\\elsewhere");
  EXPECT_EQ(RunDirectory(), "C:\\elsewhere");
  FixRunDirectory(dir());

  const Text folder = ExecutableFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_NE(folder.back(), '\\');
  EXPECT_NE(folder.back(), '/');
#ifdef _WIN32
  EXPECT_TRUE(testing::FileExists(folder + "\\quillora_tests.exe")) << folder;
#else
  EXPECT_TRUE(testing::FileExists(folder + "\\quillora_tests")) << folder;
#endif
}

TEST(ClockTest, TheTickCountCountsMilliseconds) {
  const uint32_t before = TickCount();
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  const uint32_t passed = TickCount() - before;  // wraps like the count
  EXPECT_GE(passed, 80u);
  EXPECT_LT(passed, 5000u);
}

}  // namespace
}  // namespace quillora
