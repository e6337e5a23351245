// The profile-file format on its own: pure functions over a file's bytes, with the
// rules of the Windows profile functions, so that they can be tested and fuzzed
// without a file system. profile_posix.cpp puts them on disk.
//
// A file is read as code page 936 (GBK) characters: a byte 0x81 to 0xFE followed by a
// byte 0x40 to 0x7E or 0x80 to 0xFE is one character, so a second byte that equals "]",
// "=", "\" or an ASCII letter is neither a delimiter nor case-folded. Lines end with
// CR LF, a lone LF or a lone CR. Blanks are space, tab, VT, FF and 0x1A, trimmed from
// both ends of lines, names, keys and values.
//
// - A line "[name]" (the last "]" of the line closes the name) opens the section name;
//   lines before the first section line belong to the section with the empty name.
// - A line with "=" is an entry: key before the first "=", value after it. A value
//   enclosed in a matching pair of double or single quotes is read without them.
// - Other lines (blank lines, notes) match no key and are kept as they are.
// - Names and keys match without regard to the case of ASCII letters. The first
//   matching section, and the first matching key in it, is the one read, written or
//   deleted; a later repeat is left alone.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

#include "primitives/text.hpp"

namespace quillora {

// The value of key in section, or nothing when the section or the key is missing.
std::optional<Text> ProfileLookup(std::string_view file, std::string_view section,
                                  std::string_view key);

// The file with key set to value in section. An existing entry's line becomes
// key=value; a new entry goes after the last line of its section that is not blank; a
// new section goes at the end of the file. Every other line stays byte for byte. New
// lines end with CR LF, and section, key and value are written as they are given.
Bytes ProfileSet(std::string_view file, std::string_view section, std::string_view key,
                 std::string_view value);

// The file without section (its section line and every line up to the next section
// line), or nothing when there is no such section or it has no line.
std::optional<Bytes> ProfileDeleteSection(std::string_view file, std::string_view section);

// The longest beginning of value of at most limit bytes that does not split a
// two-byte character.
Text CutAtCharacter(std::string_view value, size_t limit);

}  // namespace quillora
