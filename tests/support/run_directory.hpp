// Test fixtures shared by the unit tests of both builds: a fresh run directory per
// test and byte-exact access to the files in it, with paths written as the plugin
// writes them (GBK, "\" separators).
#pragma once

#include <gtest/gtest.h>

#include "primitives/text.hpp"

namespace quillora::testing {

// Writes the file whole (creating it), bypassing the plugin. On Windows it also drops
// the profile cache for that file, so the plugin's next read goes to the disk.
void WriteFileBytes(const Text& path, const Bytes& content);
// The file's bytes, or "<missing>" when it does not exist.
Bytes ReadFileBytes(const Text& path);
bool FileExists(const Text& path);
// Makes the folder and every missing folder above it; throws when it cannot.
void MakeFolder(const Text& path);
void RemoveFile(const Text& path);

// Converts UTF-8 (as tests are written) to GBK and back, for readable expectations.
Text Gbk(const std::string& utf8);
std::string Utf8(const Text& gbk);

// True in the Windows build when it runs under Wine, whose profile calls differ from
// Windows' where some tests look: Wine rewrites a whole file when it saves it, dropping
// blank lines and writing every entry as key=value, where Windows, like the POSIX code,
// keeps every line that a write does not change.
bool RunningOnWine();

// A fresh, empty run directory with its "config" and "plugin" folders, fixed as the
// plugin's run directory for the test and removed afterwards.
class RunDirectoryTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  Text Path(const Text& relative) const { return dir_ + relative; }  // relative begins "\"
  Text GameFile() const { return Path("\\config\\Quillora.ini"); }
  const Text& dir() const { return dir_; }

 private:
  Text dir_;
};

}  // namespace quillora::testing
