// Profile files through the platform seam: ReadProfile, WriteProfile and DeleteSection
// on files in a fresh run directory. The Windows build runs the same cases through the
// Windows profile calls.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <vector>

#include "primitives/platform.hpp"
#include "run_directory.hpp"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "primitives/posix_path.hpp"
#endif

namespace quillora {
namespace {

using testing::FileExists;
using testing::ReadFileBytes;
using testing::WriteFileBytes;

// The Windows build runs here under Wine, which differs from Windows where these
// tests look:
// - Wine rewrites a whole file when it saves it (RunningOnWine). The exact bytes of such
//   files are checked only off Wine; the values read back are checked everywhere.
// - Wine reads a stray first byte of a two-byte character together with the byte after
//   it, a line end included, as one unknown character "?".
using testing::RunningOnWine;

using ProfileTest = testing::RunDirectoryTest;

constexpr char kFixture[] =
    "top=before any section\r\n"
    "[Group]\r\n"
    "  key two  =  spaced value  \r\n"
    "Plain=v\r\n"
    "double=\"a b\"\r\n"
    "single='a b'\r\n"
    "unmatched=\"a'\r\n"
    "padded= \" a \" \r\n"
    "equals=a=b\r\n"
    "empty=\r\n"
    "tabs\t=\tt\t\r\n"
    "#note line\r\n"
    "Plain=repeated key\r\n"
    "[\x81\x5D]\r\n"  // a name whose second byte is "]"
    "k=trail bracket\r\n"
    "[a\x81]\r\n"  // "\x81]" is one character: no section line, k2 stays above
    "k2=after a false section line\r\n"
    "[\x81\x41]\r\n"
    "k=upper\r\n"
    "[\x81\x61]\r\n"
    "k=lower\r\n"
    "[letters]\r\n"
    "\x81\x41=second byte A\r\n"
    "\x81\x61=second byte a\r\n"
    "\xA3\xC1=full-width A\r\n"
    "[group]\r\n"
    "Plain=repeated section\r\n";

TEST_F(ProfileTest, ReadsTheValueOfAKeyInASection) {
  struct Case {
    const char* what;
    Text section;
    Text key;
    Text value;
  };
  const Case cases[] = {
      {"plain entry", "Group", "Plain", "v"},
      {"names and keys ignore the case of ASCII letters", "GROUP", "pLAIN", "v"},
      {"leading control bytes and spaces of the arguments", " \x01\x1FGroup", "\t Plain", "v"},
      {"blanks around the key and the value", "Group", "key two", "spaced value"},
      {"blanks inside a key count", "Group", "key  two", ""},
      {"tabs around the key and the value", "Group", "tabs", "t"},
      {"double quotes", "Group", "double", "a b"},
      {"single quotes", "Group", "single", "a b"},
      {"quotes that do not match stay", "Group", "unmatched", "\"a'"},
      {"blanks inside quotes stay", "Group", "padded", " a "},
      {"the first = ends the key", "Group", "equals", "a=b"},
      {"empty value", "Group", "empty", ""},
      {"a note is no key", "Group", "#note line", ""},
      {"entries before the first section belong to none", "Group", "top", ""},
      {"missing section", "Missing", "Plain", ""},
      {"missing key", "Group", "Missing", ""},
      {"empty section name", "", "Plain", ""},
      {"section name of blanks only", " \t", "Plain", ""},
      {"empty key", "Group", "", ""},
      {"a second byte equal to ] does not close the name", "\x81\x5D", "k", "trail bracket"},
      {"... nor does it open a section", "\x81\x5D", "k2", "after a false section line"},
      {"second bytes are not case-folded in names", "\x81\x61", "k", "lower"},
      {"... nor in keys", "letters", "\x81\x61", "second byte a"},
      {"letters outside ASCII are not folded", "letters", "\xA3\xE1", ""},
  };
  const Text file = Path("\\config\\read.ini");
  WriteFileBytes(file, kFixture);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(ReadProfile(file, c.section, c.key), c.value);
  }
}

TEST_F(ProfileTest, ReadsTheFirstOfRepeatedSectionsAndKeys) {
  const Text file = Path("\\config\\read.ini");
  WriteFileBytes(file, kFixture);
  // [Group] holds Plain twice and [group] repeats the section; the first one wins.
  EXPECT_EQ(ReadProfile(file, "group", "Plain"), "v");
}

TEST_F(ProfileTest, AStrayFirstByteKeepsItsLineEnd) {
  if (RunningOnWine()) GTEST_SKIP() << "Wine reads a stray first byte and a line end as \"?\"";
  const Text file = Path("\\config\\stray.ini");
  WriteFileBytes(file, "[s]\nk=abc\x81\nj=1\n[t]\r\nk=\x81\r\nj=\x81=\r\n");
  EXPECT_EQ(ReadProfile(file, "s", "k"), "abc\x81");
  EXPECT_EQ(ReadProfile(file, "s", "j"), "1");
  EXPECT_EQ(ReadProfile(file, "t", "k"), "\x81");
  EXPECT_EQ(ReadProfile(file, "t", "j"), "\x81=");
}

TEST_F(ProfileTest, ReadsNothingFromAMissingFileOrFolder) {
  EXPECT_EQ(ReadProfile(Path("\\config\\missing.ini"), "Group", "Plain"), "");
  EXPECT_EQ(ReadProfile(Path("\\nowhere\\missing.ini"), "Group", "Plain"), "");
  EXPECT_FALSE(FileExists(Path("\\config\\missing.ini")));
}

TEST_F(ProfileTest, SkipsLeadingControlBytesAndSpacesOfThePath) {
  const Text file = Path("\\config\\read.ini");
  WriteFileBytes(file, kFixture);
  EXPECT_EQ(ReadProfile(" \t\x01" + file, "Group", "Plain"), "v");
}

// Compares texts of some 10,000 bytes without printing them whole.
void ExpectLongText(const Text& actual, const Text& expected) {
  EXPECT_EQ(actual.size(), expected.size());
  const auto [differs, unused] =
      std::mismatch(actual.begin(), actual.end(), expected.begin(), expected.end());
  const size_t at = static_cast<size_t>(differs - actual.begin());
  EXPECT_TRUE(actual == expected) << "first difference at byte " << at << ": "
                                  << ::testing::PrintToString(actual.substr(at, 8)) << " for "
                                  << ::testing::PrintToString(expected.substr(at, 8));
}

TEST_F(ProfileTest, CutsLongValuesAtTheBufferWithoutSplittingACharacter) {
  struct Case {
    const char* what;
    Text stored;  // the value's text in the file
    Text read;
  };
  const Text a10238(10238, 'a');
  const Text wide = [] {
    Text text;
    for (int i = 0; i < 5200; ++i)
      text += "\xD2\xBB";
    return text;
  }();
  const std::vector<Case> cases = {
      {"10,240 one-byte characters", Text(10240, 'a'), Text(10239, 'a')},
      {"10,239 bytes read whole", Text(10239, 'a'), Text(10239, 'a')},
      {"a two-byte character across the cut is left out", a10238 + "\xD2\xBB", a10238},
      {"a two-byte character that ends at the cut stays", Text(10237, 'a') + "\xD2\xBB" + "b",
       Text(10237, 'a') + "\xD2\xBB"},
      {"two-byte characters only", wide, wide.substr(0, 10238)},
      {"blanks go before the cut", "   " + a10238 + "  ", a10238},
  };
  const Text file = Path("\\config\\long.ini");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WriteFileBytes(file, "[s]\r\nk=" + c.stored + "\r\n");
    ExpectLongText(ReadProfile(file, "s", "k"), c.read);
  }
  // A value written whole reads back cut.
  WriteProfile(file, "s", "written", Text(10240, 'b'));
  ExpectLongText(ReadProfile(file, "s", "written"), Text(10239, 'b'));
}

struct WriteCall {
  Text section;
  Text key;
  Text value;
};

struct Expected {
  Text section;
  Text key;
  Text value;
};

TEST_F(ProfileTest, WritesAValueAndKeepsEveryOtherLine) {
  struct Case {
    const char* what;
    std::optional<Bytes> start;  // none: no file
    std::vector<WriteCall> writes;
    Bytes file;
    Expected check;
    bool wineRewrites;  // Wine's save changes lines that this write leaves alone
  };
  const Case cases[] = {
      {"a missing file is created",
       std::nullopt,
       {{"s", "k", "v"}},
       "[s]\r\nk=v\r\n",
       {"s", "k", "v"},
       false},
      {"a new section goes at the end, after a last line given its CR LF",
       "[a]\r\nx=1",
       {{"b", "k", "v"}},
       "[a]\r\nx=1\r\n[b]\r\nk=v\r\n",
       {"b", "k", "v"},
       false},
      {"a new key goes after the section's last line that is not blank",
       "[a]\r\nx=1\r\n\r\n[b]\r\ny=2\r\n",
       {{"a", "z", "3"}},
       "[a]\r\nx=1\r\nz=3\r\n\r\n[b]\r\ny=2\r\n",
       {"a", "z", "3"},
       true},
      {"... which may be a note",
       "[a]\r\nx=1\r\n#note\r\n[b]\r\n",
       {{"a", "z", "3"}},
       "[a]\r\nx=1\r\n#note\r\nz=3\r\n[b]\r\n",
       {"a", "z", "3"},
       false},
      {"a new key in a last section without CR LF",
       "[a]\r\nx=1",
       {{"a", "z", "3"}},
       "[a]\r\nx=1\r\nz=3\r\n",
       {"a", "z", "3"},
       false},
      {"an existing key's line becomes key=value, spelled as in the file",
       "[s]\r\n  Key Two  =  old  \r\nnext=1\r\n",
       {{"S", "KEY TWO", "new"}},
       "[s]\r\nKey Two=new\r\nnext=1\r\n",
       {"s", "key two", "new"},
       false},
      {"a value with CR LF leaves its later lines in the file, also when rewritten",
       "[s]\r\nk=v\r\n[t]\r\n",
       {{"s", "k", "line1\r\n#note1\r\n#note2"}, {"s", "k", "one"}},
       "[s]\r\nk=one\r\n#note1\r\n#note2\r\n[t]\r\n",
       {"s", "k", "one"},
       false},
      {"the first of repeated sections and keys is written",
       "[r]\r\nk=1\r\nk=2\r\n[R]\r\nk=3\r\n",
       {{"r", "k", "5"}, {"R", "j", "6"}},
       "[r]\r\nk=5\r\nk=2\r\nj=6\r\n[R]\r\nk=3\r\n",
       {"r", "j", "6"},
       false},
      {"second bytes that are ASCII letters are no case",
       "[\x81\x41]\r\nk=upper\r\n[\x81\x61]\r\nk=lower\r\n",
       {{"\x81\x61", "k", "LOWER"}},
       "[\x81\x41]\r\nk=upper\r\n[\x81\x61]\r\nk=LOWER\r\n",
       {"\x81\x41", "k", "upper"},
       false},
      {"a name holding ] and a key holding =",
       "",
       {{"x]y", "a=b", "c"}},
       "[x]y]\r\na=b=c\r\n",
       {"x]y", "a", "b=c"},
       false},
      {"the value is written as it is given",
       "",
       {{"s", "k", "\"q\""}},
       "[s]\r\nk=\"q\"\r\n",
       {"s", "k", "q"},
       false},
      {"... blanks included", "", {{"s", "k", " v "}}, "[s]\r\nk= v \r\n", {"s", "k", "v"}, true},
      {"the other lines keep their line ends",
       "[a]\nk=1\n",
       {{"a", "n", "2"}},
       "[a]\nk=1\nn=2\r\n",
       {"a", "n", "2"},
       true},
      {"a line without = is no key and stays",
       "[s]\r\nfoo\r\n",
       {{"s", "foo", "set"}},
       "[s]\r\nfoo\r\nfoo=set\r\n",
       {"s", "foo", "set"},
       true},
      {"the empty name is the part before the first section",
       "top=1\r\n[s]\r\n",
       {{"", "new", "x"}},
       "top=1\r\nnew=x\r\n[s]\r\n",
       {"s", "new", ""},
       false},
  };
  const Text file = Path("\\config\\write.ini");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    testing::RemoveFile(file);
    if (c.start) WriteFileBytes(file, *c.start);
    for (const WriteCall& w : c.writes)
      WriteProfile(file, w.section, w.key, w.value);
    EXPECT_EQ(ReadProfile(file, c.check.section, c.check.key), c.check.value);
    if (!RunningOnWine() || !c.wineRewrites) {
      EXPECT_EQ(ReadFileBytes(file), c.file);
    }
  }
}

TEST_F(ProfileTest, WritesNothingIntoAMissingFolder) {
  WriteProfile(Path("\\nowhere\\a.ini"), "s", "k", "v");
  EXPECT_FALSE(FileExists(Path("\\nowhere")));
  EXPECT_EQ(ReadProfile(Path("\\nowhere\\a.ini"), "s", "k"), "");
}

TEST_F(ProfileTest, WritesGbkNamesAndValues) {
  const Text file = Path("\\config\\真心话.ini");
  WriteProfile(file, "群", "参加人员", "12345|甲乙");
  EXPECT_EQ(ReadFileBytes(file), "[群]\r\n参加人员=12345|甲乙\r\n");
  EXPECT_EQ(ReadProfile(file, "群", "参加人员"), "12345|甲乙");
}

#ifdef _WIN32
void SetReadOnly(const Text& path, bool readOnly) {
  SetFileAttributesA(path.c_str(), readOnly ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL);
}
#else
void SetReadOnly(const Text& path, bool readOnly) {
  chmod(NativePath(path).c_str(), readOnly ? 0444 : 0644);
}
#endif

TEST_F(ProfileTest, LeavesAReadOnlyFileAsItWas) {
  const Text file = Path("\\config\\locked.ini");
  WriteFileBytes(file, "[s]\r\nk=1\r\n");
  SetReadOnly(file, true);
#ifdef _WIN32
  // Wine run by root maps the attribute to file modes that root may write anyway.
  HANDLE writer = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (writer != INVALID_HANDLE_VALUE) {
    CloseHandle(writer);
    SetReadOnly(file, false);
    GTEST_SKIP() << "this system lets the process write a read-only file";
  }
#endif
  WriteProfile(file, "s", "k", "2");
  DeleteSection(file, "s");
  SetReadOnly(file, false);
  EXPECT_EQ(ReadFileBytes(file), "[s]\r\nk=1\r\n");
}

TEST_F(ProfileTest, DeletesTheFirstSectionOfTheNameAndNothingElse) {
  struct Case {
    const char* what;
    Bytes start;
    Text section;
    Bytes file;
    Expected check;
    bool wineRewrites;
  };
  const Case cases[] = {
      {"a section between two others",
       "[a]\r\nk=1\r\n[b]\r\nk=2\r\n[c]\r\nk=3\r\n",
       "B",
       "[a]\r\nk=1\r\n[c]\r\nk=3\r\n",
       {"b", "k", ""},
       false},
      {"its notes and blank lines go, the others stay byte for byte",
       "pre=0\r\n[a]\r\nk=1\r\n\r\n[b]\r\nk=2\r\n#note\r\n\r\n[c]\r\n  k = 3 \r\n",
       "b",
       "pre=0\r\n[a]\r\nk=1\r\n\r\n[c]\r\n  k = 3 \r\n",
       {"c", "k", "3"},
       true},
      {"the last section",
       "[a]\r\nk=1\r\n[b]\r\nk=2",
       "b",
       "[a]\r\nk=1\r\n",
       {"b", "k", ""},
       false},
      {"a missing section changes nothing",
       "[a]\r\n  k = 1 \r\n\r\n",
       "b",
       "[a]\r\n  k = 1 \r\n\r\n",
       {"a", "k", "1"},
       false},
      {"the first of repeated sections; the next is read then",
       "[r]\r\nk=1\r\n[R]\r\nk=2\r\n",
       "r",
       "[R]\r\nk=2\r\n",
       {"r", "k", "2"},
       false},
  };
  const Text file = Path("\\config\\delete.ini");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WriteFileBytes(file, c.start);
    DeleteSection(file, c.section);
    EXPECT_EQ(ReadProfile(file, c.check.section, c.check.key), c.check.value);
    if (!RunningOnWine() || !c.wineRewrites) {
      EXPECT_EQ(ReadFileBytes(file), c.file);
    }
  }
}

TEST_F(ProfileTest, DeletingFromAMissingFileCreatesNothing) {
  DeleteSection(Path("\\config\\missing.ini"), "s");
  EXPECT_FALSE(FileExists(Path("\\config\\missing.ini")));
}

#ifndef _WIN32
// How the POSIX code replaces a file: whole, through a temporary file in the same
// folder that is renamed over it.

std::vector<std::string> FolderEntries(const Text& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(NativePath(folder))) {
    names.push_back(entry.path().filename().string());
  }
  return names;
}

TEST_F(ProfileTest, LeavesNoTemporaryFileBehind) {
  const Text file = Path("\\config\\a.ini");
  WriteProfile(file, "s", "k", "1");
  WriteProfile(file, "s", "k", "2");
  DeleteSection(file, "s");
  EXPECT_EQ(FolderEntries(Path("\\config")), std::vector<std::string>{"a.ini"});
}

TEST_F(ProfileTest, KeepsTheFileModeAndWritesThroughASymbolicLink) {
  const Text target = Path("\\config\\target.ini");
  const Text link = Path("\\plugin\\link.ini");
  WriteFileBytes(target, "[s]\r\nk=1\r\n");
  chmod(NativePath(target).c_str(), 0640);
  ASSERT_EQ(symlink(NativePath(target).c_str(), NativePath(link).c_str()), 0);

  WriteProfile(link, "s", "k", "2");

  EXPECT_TRUE(std::filesystem::is_symlink(NativePath(link)));
  EXPECT_EQ(ReadFileBytes(target), "[s]\r\nk=2\r\n");
  struct stat info {};
  ASSERT_EQ(stat(NativePath(target).c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);
}

TEST_F(ProfileTest, WritesNothingWhereTheFileIsAFolder) {
  const Text folder = Path("\\config\\a.ini");
  testing::MakeFolder(folder);
  WriteProfile(folder, "s", "k", "1");
  DeleteSection(folder, "s");
  EXPECT_TRUE(std::filesystem::is_directory(NativePath(folder)));
  EXPECT_TRUE(FolderEntries(folder).empty());
}
#endif

}  // namespace
}  // namespace quillora
