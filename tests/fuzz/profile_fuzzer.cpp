// The profile-file engine on any file content: nothing crashes, a single-line value
// that is written reads back as the rules allow, nothing else in the file changes, and
// the same holds on disk through WriteProfile and ReadProfile.
//
// Input: a section name, a key and a value, each ended by a zero byte, then the file's
// bytes (which may hold zero bytes).
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <optional>
#include <set>

#include "fuzz_support.hpp"
#include "primitives/platform.hpp"
#include "primitives/profile_file.hpp"

namespace {

using quillora::Bytes;
using quillora::Text;
using quillora::fuzz::Shown;

constexpr size_t kLongestRead = 10239;  // ReadProfile cuts longer values
constexpr size_t kSampledNames = 8;

// What the engine trims from names, keys and values.
bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\x1A' || c == '\r' || c == '\n';
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && IsBlank(text.front()))
    text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back()))
    text.remove_suffix(1);
  return text;
}

// A value as a reader sees it: without blanks at its ends and one pair of quotes.
Text ValueRead(std::string_view written) {
  std::string_view value = Trimmed(written);
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  return Text(value);
}

Text Lowered(std::string_view text) {
  Text lowered(Trimmed(text));
  for (char& c : lowered)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 0x20);
  return lowered;
}

// Whether the section line "[name]" closes where the name ends: in code page 936 a lead
// byte at the end of the name would take the "]" as its second byte.
bool ClosesAfter(std::string_view name) {
  const Text line = Text(name) + "]";
  size_t pos = 0;
  while (pos < name.size()) {
    const auto lead = static_cast<unsigned char>(line[pos]);
    const auto trail = static_cast<unsigned char>(line[pos + 1]);
    const bool pair = lead >= 0x81 && lead <= 0xFE &&
                      ((trail >= 0x40 && trail <= 0x7E) || (trail >= 0x80 && trail <= 0xFE));
    pos += pair ? 2 : 1;
  }
  return pos == name.size();
}

bool SingleLine(std::string_view text) {
  return text.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

// A section, key and value that a file can hold so that they read back: one line
// each, names that are not blank, a key without "=" whose entry line cannot be taken
// for a section line.
bool Storable(std::string_view section, std::string_view key, std::string_view value) {
  return SingleLine(section) && SingleLine(key) && SingleLine(value) && !Trimmed(section).empty() &&
         ClosesAfter(section) && !Trimmed(key).empty() && key.find('=') == std::string_view::npos &&
         Trimmed(key).front() != '[';
}

// Names of sections and keys that the file seems to hold, and the empty section before
// the first section line: what the rest of the file is compared by.
void SampleNames(std::string_view file, std::set<Text>& sections, std::set<Text>& keys) {
  sections.insert("");
  size_t begin = 0;
  while (begin <= file.size() && (sections.size() < kSampledNames || keys.size() < kSampledNames)) {
    size_t end = file.find_first_of("\r\n", begin);
    if (end == std::string_view::npos) end = file.size();
    const std::string_view line = Trimmed(file.substr(begin, end - begin));
    const size_t close = line.rfind(']');
    if (!line.empty() && line.front() == '[' && close != std::string_view::npos) {
      if (sections.size() < kSampledNames) sections.insert(Text(line.substr(1, close - 1)));
    } else if (const size_t equals = line.find('='); equals != std::string_view::npos) {
      if (keys.size() < kSampledNames) keys.insert(Text(line.substr(0, equals)));
    }
    begin = end + 1;
  }
}

// Every sampled value outside what was changed (one key of the section, or all of it
// when no key is given) reads the same before and after.
void CheckOthersKept(std::string_view before, std::string_view after, std::string_view section,
                     const std::optional<Text>& key, const char* what) {
  std::set<Text> sections;
  std::set<Text> keys;
  SampleNames(before, sections, keys);
  if (key) keys.insert(*key);
  for (const Text& otherSection : sections) {
    const bool sameSection = Lowered(otherSection) == Lowered(section);
    for (const Text& otherKey : keys) {
      if (sameSection && (!key || Lowered(otherKey) == Lowered(*key))) continue;
      FUZZ_CHECK(quillora::ProfileLookup(before, otherSection, otherKey) ==
                     quillora::ProfileLookup(after, otherSection, otherKey),
                 std::string(what) + "\nsection " + Shown(otherSection) + " key " +
                     Shown(otherKey) + "\nfile " + Shown(before) + "\nafter " + Shown(after));
    }
  }
}

// Bytes changed by a write lie within one line of the old file: every other line
// stays byte for byte.
void CheckOneLineChanged(std::string_view before, std::string_view after) {
  size_t prefix = 0;
  while (prefix < before.size() && prefix < after.size() && before[prefix] == after[prefix])
    ++prefix;
  size_t suffix = 0;
  while (suffix < before.size() - prefix && suffix < after.size() - prefix &&
         before[before.size() - 1 - suffix] == after[after.size() - 1 - suffix]) {
    ++suffix;
  }
  const std::string_view replaced = before.substr(prefix, before.size() - prefix - suffix);
  FUZZ_CHECK(replaced.find_first_of("\r\n") == std::string_view::npos,
             "file " + Shown(before) + "\nafter " + Shown(after));
}

// A file in a folder of its own, removed at exit. The names live in static arrays,
// which outlast every exit handler.
const char* ScratchFile() {
  static char folder[] = "/tmp/quillora-profile-fuzz-XXXXXX";
  static char file[sizeof folder + 16] = "";
  if (file[0] == '\0') {
    FUZZ_CHECK(mkdtemp(folder) != nullptr, "mkdtemp");
    std::snprintf(file, sizeof file, "%s/profile.ini", folder);
    std::atexit([] {
      unlink(file);
      rmdir(folder);
    });
  }
  return file;
}

Bytes FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Through the platform calls on a real file: the file ends as the engine writes it and
// ReadProfile gives the value back, cut at 10,239 bytes without splitting a character.
void CheckOnDisk(std::string_view file, const Text& section, const Text& key, const Text& value,
                 const Bytes& expectedFile) {
  const std::string path = ScratchFile();
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(file.data(), static_cast<std::streamsize>(file.size()));
  }
  quillora::WriteProfile(path, section, key, value);
  FUZZ_CHECK(FileBytes(path) == expectedFile, "file " + Shown(file));
  const Text expected = ValueRead(value);
  const Text read = quillora::ReadProfile(path, section, key);
  const auto detail = [&] {
    return std::string("value " + Shown(value) + "\nread " + Shown(read));
  };
  FUZZ_CHECK(expected.compare(0, read.size(), read) == 0, detail());
  FUZZ_CHECK(read.size() <= kLongestRead, detail());
  FUZZ_CHECK(read.size() >= std::min(expected.size(), kLongestRead - 1), detail());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto pieces = quillora::fuzz::Pieces(data, size, 4);
  if (pieces.size() < 4) return 0;
  const Text section(pieces[0]);
  const Text key(pieces[1]);
  const Text value(pieces[2]);
  const std::string_view file = pieces[3];

  // Any names, on any file: an answer or nothing, never a crash.
  (void)quillora::ProfileLookup(file, section, key);
  const std::optional<Bytes> withoutSection = quillora::ProfileDeleteSection(file, section);
  if (withoutSection) CheckOthersKept(file, *withoutSection, section, std::nullopt, "delete");
  (void)quillora::ProfileSet(file, section, key, value);
  if (!Storable(section, key, value)) return 0;

  const Bytes written = quillora::ProfileSet(file, section, key, value);
  const auto detail = [&] {
    return std::string("section " + Shown(section) + " key " + Shown(key) + "\nvalue " +
                       Shown(value) + "\nfile " + Shown(file) + "\nafter " + Shown(written));
  };
  FUZZ_CHECK(quillora::ProfileLookup(written, section, key) == ValueRead(value), detail());
  // Writing the same again changes nothing (an existing entry is rewritten as its
  // trimmed key, "=" and the value, so only a key without blanks around it is kept).
  if (Trimmed(key) == key) {
    FUZZ_CHECK(quillora::ProfileSet(written, section, key, value) == written, detail());
  }
  CheckOneLineChanged(file, written);
  CheckOthersKept(file, written, section, key, "write");

  // The names as ReadProfile takes them: it skips control bytes and spaces in front.
  if (static_cast<unsigned char>(section[0]) > 0x20 && static_cast<unsigned char>(key[0]) > 0x20) {
    CheckOnDisk(file, section, key, value, written);
  }
  return 0;
}
