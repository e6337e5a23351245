#include "primitives/profile_file.hpp"

#include <cstring>
#include <vector>

namespace quillora {

namespace {

constexpr char kLineEnd[] = "\r\n";

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\x1A' || c == '\r' || c == '\n';
}

// Bytes of the character at pos. Code page 936: a lead byte pairs only with a valid
// second byte, so a stray lead byte never swallows a line end, "=" or a blank.
size_t CharacterWidth(std::string_view text, size_t pos) {
  const auto lead = static_cast<unsigned char>(text[pos]);
  if (lead < 0x81 || lead > 0xFE || pos + 1 >= text.size()) return 1;
  const auto trail = static_cast<unsigned char>(text[pos + 1]);
  return (trail >= 0x40 && trail <= 0x7E) || (trail >= 0x80 && trail <= 0xFE) ? 2 : 1;
}

// Blanks, CR, LF and "=" are all below 0x40, never the second byte of a character, so
// the code below finds them byte by byte.
std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front()))
    text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back()))
    text.remove_suffix(1);
  return text;
}

char LowerAscii(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Equal but for the case of ASCII letters; two-byte characters compare exactly.
bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size();) {
    const size_t width = CharacterWidth(a, i);
    if (width == 2 ? a.substr(i, 2) != b.substr(i, 2) : LowerAscii(a[i]) != LowerAscii(b[i])) {
      return false;
    }
    i += width;
  }
  return true;
}

// A line: its content [begin, end) and its line end [end, next), which is empty for a
// last line without one.
struct Line {
  size_t begin;
  size_t end;
  size_t next;
};

// The line that begins at begin (< file.size()). memchr finds the LF fast; a lone CR
// can only stand before it.
Line LineAt(std::string_view file, size_t begin) {
  const char* start = file.data() + begin;
  const size_t rest = file.size() - begin;
  const auto* lf = static_cast<const char*>(std::memchr(start, '\n', rest));
  const size_t scanned = lf != nullptr ? static_cast<size_t>(lf - start) : rest;
  const auto* cr = static_cast<const char*>(std::memchr(start, '\r', scanned));
  if (cr != nullptr) {
    const size_t end = begin + static_cast<size_t>(cr - start);
    return {begin, end, file.compare(end, 2, kLineEnd) == 0 ? end + 2 : end + 1};
  }
  if (lf != nullptr) return {begin, begin + scanned, begin + scanned + 1};
  return {begin, file.size(), file.size()};
}

// The name of a section line, or nothing for any other line. The last "]" closes the
// name, so a name may hold "]".
std::optional<std::string_view> SectionName(std::string_view content) {
  const std::string_view line = Trim(content);
  if (line.empty() || line.front() != '[') return std::nullopt;
  std::optional<size_t> close;
  for (size_t i = 1; i < line.size(); i += CharacterWidth(line, i)) {
    if (line[i] == ']') close = i;
  }
  if (!close) return std::nullopt;
  return Trim(line.substr(1, *close - 1));
}

struct Entry {
  std::string_view key;
  std::string_view value;
};

std::optional<Entry> EntryOf(std::string_view content) {
  const size_t equals = content.find('=');
  if (equals == std::string_view::npos) return std::nullopt;
  return Entry{Trim(content.substr(0, equals)), Trim(content.substr(equals + 1))};
}

// A section's lines [first, end), after its section line (header), which the section
// before the first section line lacks.
struct Section {
  std::optional<size_t> header;
  size_t first;
  size_t end;
};

// A parsed file: its lines and the first section with the wanted name, if any.
struct Parsed {
  std::vector<Line> lines;
  std::optional<Section> section;
};

std::string_view Content(std::string_view file, const Line& line) {
  return file.substr(line.begin, line.end - line.begin);
}

// The file is split into lines only as far as the search goes, and only the wanted
// section's lines are kept: every call reads the file afresh, so the work per call is
// one pass up to the end of that section.
Parsed Parse(std::string_view file, std::string_view name) {
  Parsed parsed{{}, std::nullopt};
  const std::string_view wanted = Trim(name);
  auto& lines = parsed.lines;
  // The lines before the first section line form the section with the empty name.
  bool matches = wanted.empty();
  std::optional<size_t> header;
  for (size_t next = 0;;) {
    if (next >= file.size()) {
      if (matches) parsed.section = Section{header, header ? *header + 1 : 0, lines.size()};
      break;
    }
    const Line line = LineAt(file, next);
    next = line.next;
    const std::optional<std::string_view> opened = SectionName(Content(file, line));
    if (!opened) {
      if (matches) lines.push_back(line);
      continue;
    }
    if (matches) {  // the next section line ends the wanted section
      lines.push_back(line);
      parsed.section = Section{header, header ? *header + 1 : 0, lines.size() - 1};
      break;
    }
    if (SameName(*opened, wanted)) {
      matches = true;
      header = lines.size();
      lines.push_back(line);
    }
  }
  return parsed;
}

// The entry of key in the section, as the index of its line.
std::optional<size_t> FindEntry(std::string_view file, const Parsed& parsed, std::string_view key) {
  const std::string_view wanted = Trim(key);
  for (size_t i = parsed.section->first; i < parsed.section->end; ++i) {
    const std::optional<Entry> entry = EntryOf(Content(file, parsed.lines[i]));
    if (entry && SameName(entry->key, wanted)) return i;
  }
  return std::nullopt;
}

// The file with the bytes [begin, end) replaced by insert, made in one copy.
Bytes Spliced(std::string_view file, size_t begin, size_t end, std::string_view insert) {
  Bytes result;
  result.reserve(file.size() - (end - begin) + insert.size());
  result.append(file.substr(0, begin)).append(insert).append(file.substr(end));
  return result;
}

}  // namespace

std::optional<Text> ProfileLookup(std::string_view file, std::string_view section,
                                  std::string_view key) {
  const Parsed parsed = Parse(file, section);
  if (!parsed.section) return std::nullopt;
  const std::optional<size_t> line = FindEntry(file, parsed, key);
  if (!line) return std::nullopt;
  std::string_view value = EntryOf(Content(file, parsed.lines[*line]))->value;
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  return Text(value);
}

Bytes ProfileSet(std::string_view file, std::string_view section, std::string_view key,
                 std::string_view value) {
  const Parsed parsed = Parse(file, section);
  if (!parsed.section) {
    const bool ended = file.empty() || file.back() == '\n' || file.back() == '\r';
    return Spliced(
        file, file.size(), file.size(),
        Concat(ended ? "" : kLineEnd, "[", section, "]", kLineEnd, key, "=", value, kLineEnd));
  }
  if (const std::optional<size_t> index = FindEntry(file, parsed, key)) {
    const Line& line = parsed.lines[*index];
    const std::string_view fileKey = EntryOf(Content(file, line))->key;
    return Spliced(file, line.begin, line.end, Concat(fileKey, "=", value));
  }
  // A new entry follows the section's last line that is not blank, so blank lines
  // that part it from the next section stay after it.
  std::optional<size_t> after = parsed.section->header;
  for (size_t i = parsed.section->first; i < parsed.section->end; ++i) {
    if (!Trim(Content(file, parsed.lines[i])).empty()) after = i;
  }
  const Text entry = Concat(key, "=", value, kLineEnd);
  if (!after) return Spliced(file, 0, 0, entry);
  const Line& line = parsed.lines[*after];
  if (line.next == line.end) {  // it was the last line, without a line end
    return Spliced(file, line.end, line.end, Concat(kLineEnd, entry));
  }
  return Spliced(file, line.next, line.next, entry);
}

std::optional<Bytes> ProfileDeleteSection(std::string_view file, std::string_view section) {
  const Parsed parsed = Parse(file, section);
  if (!parsed.section) return std::nullopt;
  const auto& lines = parsed.lines;
  const size_t from = parsed.section->header.value_or(parsed.section->first);
  const auto lineStart = [&](size_t i) { return i < lines.size() ? lines[i].begin : file.size(); };
  const size_t begin = lineStart(from);
  const size_t end = lineStart(parsed.section->end);
  if (begin == end) return std::nullopt;  // the empty section before the first section line
  return Spliced(file, begin, end, "");
}

Text CutAtCharacter(std::string_view value, size_t limit) {
  size_t end = 0;
  while (end < value.size()) {
    const size_t width = CharacterWidth(value, end);
    if (end + width > limit) break;
    end += width;
  }
  return Text(value.substr(0, end));
}

}  // namespace quillora
