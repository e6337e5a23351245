#include "chat/host.hpp"

#include "chat/charset.hpp"
#include "primitives/platform.hpp"

namespace quillora::chat {

namespace {

constexpr std::string_view kRecordSeparator = "\r\n-----\r\n";
constexpr int kFieldsPerRecord = 10;

bool StartsWith(std::string_view text, size_t at, std::string_view prefix) {
  return text.substr(at, prefix.size()) == prefix;
}

// Record texts between separators. Every field ends in CR LF, the last one of a record
// too, so the separator follows a CR LF of the record's own.
std::vector<std::string_view> RecordTexts(std::string_view info) {
  std::vector<std::string_view> records;
  size_t begin = 0;
  for (;;) {
    const size_t at = info.find(kRecordSeparator, begin);
    if (at == std::string_view::npos) {
      records.push_back(info.substr(begin));
      return records;
    }
    records.push_back(info.substr(begin, at - begin));
    begin = at + kRecordSeparator.size();
  }
}

}  // namespace

bool ParseRegistration(const Text& info, std::vector<Registration>* records, std::string* problem) {
  records->clear();
  if (info.empty()) {
    *problem = "the registration text is empty";
    return false;
  }
  int number = 0;
  for (std::string_view record : RecordTexts(info)) {
    ++number;
    std::vector<std::string_view> fields;
    size_t begin = 0;
    while (begin < record.size()) {
      const size_t end = record.find("\r\n", begin);
      if (end == std::string_view::npos) break;
      fields.push_back(record.substr(begin, end - begin));
      begin = end + 2;
    }
    if (begin != record.size() || fields.size() != kFieldsPerRecord) {
      *problem = "record " + std::to_string(number) + " is not ten fields each ending in CR LF";
      records->clear();
      return false;
    }
    if (fields[4].empty() || fields[7].empty()) {
      *problem = "record " + std::to_string(number) + " has no keyword or no export name";
      records->clear();
      return false;
    }
    records->push_back({Text(fields[4]), Text(fields[5]), Text(fields[7])});
  }
  return true;
}

KeywordMatch MatchKeyword(const std::vector<Registration>& records, const Text& message) {
  KeywordMatch match;
  for (const Registration& record : records) {
    if (!StartsWith(message, 0, record.keyword)) continue;
    if (match.registration == nullptr ||
        record.keyword.size() > match.registration->keyword.size()) {
      match.registration = &record;
    }
  }
  if (match.registration != nullptr) {
    match.argument = message.substr(match.registration->keyword.size());
  }
  return match;
}

std::string FaceText(int number) {
  struct Face {
    int number;
    const char8_t* emoji;
  };
  // The faces the plugin's replies use, each with an emoji of the same mood.
  static constexpr Face kFaces[] = {
      {5, u8"😢"},  {9, u8"😭"},  {12, u8"😜"},  {13, u8"😁"},  {14, u8"🙂"}, {23, u8"😎"},
      {26, u8"😱"}, {53, u8"🎂"}, {57, u8"🎉"},  {80, u8"😤"},  {81, u8"📝"},    {84, u8"😕"},
      {97, u8"😅"}, {99, u8"👏"}, {105, u8"😒"}, {108, u8"😈"},
  };
  for (const Face& face : kFaces) {
    if (face.number == number) return reinterpret_cast<const char*>(face.emoji);
  }
  return reinterpret_cast<const char*>(u8"[表情") + std::to_string(number) + "]";
}

std::string RenderReply(const Text& reply, const std::string& senderName) {
  const std::string text = ToUtf8(reply);
  std::string out;
  size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      out += '\n';
      i += (c == '\r' && StartsWith(text, i, "\r\n")) ? 2 : 1;
      continue;
    }
    if (c == '[') {
      if (StartsWith(text, i, "[enter]")) {
        out += '\n';
        i += 7;
        continue;
      }
      if (StartsWith(text, i, "[cqname]")) {
        out += senderName;
        i += 8;
        continue;
      }
      if (StartsWith(text, i, "[bq")) {
        size_t end = i + 3;
        while (end < text.size() && end - i < 7 && text[end] >= '0' && text[end] <= '9')
          ++end;
        if (end > i + 3 && end < text.size() && text[end] == ']') {
          out += FaceText(std::stoi(text.substr(i + 3, end - i - 3)));
          i = end + 1;
          continue;
        }
      }
    }
    out += c;
    ++i;
  }
  return out;
}

std::vector<std::string> ReplyLines(const std::string& rendered) {
  std::vector<std::string> lines;
  if (rendered.empty()) return lines;
  size_t begin = 0;
  for (;;) {
    const size_t end = rendered.find('\n', begin);
    if (end == std::string::npos) {
      lines.push_back(rendered.substr(begin));
      return lines;
    }
    lines.push_back(rendered.substr(begin, end - begin));
    begin = end + 1;
  }
}

Text NicknameFilePath(const Text& group) {
  return Concat(RunDirectory(), "\\config\\Kelvaro\\", group, ".ini");
}

Text DisplayName(const Text& group, const Text& account) {
  const Text nickname = ReadProfile(NicknameFilePath(group), account, "昵称");
  return nickname.empty() ? account : nickname;
}

}  // namespace quillora::chat
