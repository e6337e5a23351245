#include "chat/session.hpp"

#include <algorithm>
#include <istream>
#include <optional>
#include <ostream>
#include <regex>
#include <sstream>

#include "chat/charset.hpp"
#include "chat/files.hpp"
#include "chat/plugin.hpp"
#include "game/game_file.hpp"
#include "link/link.hpp"
#include "primitives/platform.hpp"

namespace quillora::chat {

namespace {

constexpr char kReplyPrefix[] = "bot: ";
constexpr char kReplyIndent[] = "     ";
// Enough for any message a test sends; more is a slip in the script (a count too large).
constexpr size_t kLongestDecoded = size_t{1} << 20;

std::string Trim(const std::string& text) {
  const size_t begin = text.find_first_not_of(" \t");
  if (begin == std::string::npos) return {};
  const size_t end = text.find_last_not_of(" \t");
  return text.substr(begin, end - begin + 1);
}

bool IsDigits(const std::string& text) {
  if (text.empty()) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

// The first word and the rest of a command line.
std::pair<std::string, std::string> SplitWord(const std::string& text) {
  const std::string trimmed = Trim(text);
  const size_t space = trimmed.find_first_of(" \t");
  if (space == std::string::npos) return {trimmed, {}};
  return {trimmed.substr(0, space), Trim(trimmed.substr(space + 1))};
}

std::vector<std::string> Words(const std::string& text) {
  std::vector<std::string> words;
  std::istringstream in(text);
  std::string word;
  while (in >> word)
    words.push_back(word);
  return words;
}

// "10001: message" or "10001：message" names the sender; digits, then a colon.
bool SplitSender(const std::string& line, std::string* sender, std::string* message) {
  size_t i = 0;
  while (i < line.size() && line[i] >= '0' && line[i] <= '9')
    ++i;
  if (i == 0) return false;
  size_t after = std::string::npos;
  if (line.compare(i, 1, ":") == 0) after = i + 1;
  const std::string wideColon = reinterpret_cast<const char*>(u8"：");
  if (line.compare(i, wideColon.size(), wideColon) == 0) after = i + wideColon.size();
  if (after == std::string::npos) return false;
  *sender = line.substr(0, i);
  *message = line.substr(after);
  const size_t text = message->find_first_not_of(' ');
  *message = text == std::string::npos ? std::string() : message->substr(text);
  return true;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Decodes from *pos to the end of the text or, inside a repetition, to the "}" that
// closes it, which it passes.
bool DecodeFrom(std::string_view text, size_t* pos, bool inside, bool toGbk, std::string* bytes,
                std::string* problem, bool* lossless) {
  std::string literal;  // a run of plain characters, converted as a whole
  const auto flush = [&]() {
    bool converted = true;
    *bytes += toGbk ? ToGbk(literal, &converted) : literal;
    if (!converted) *lossless = false;
    literal.clear();
  };
  while (*pos < text.size()) {
    const char c = text[*pos];
    if (inside && c == '}') {
      ++*pos;
      flush();
      return true;
    }
    if (c != '\\') {
      literal += c;
      ++*pos;
      continue;
    }
    flush();
    if (bytes->size() > kLongestDecoded) break;
    if (*pos + 1 == text.size()) {
      *problem = "a \"\\\" at the end (\"\\\\\" is one backslash)";
      return false;
    }
    const char kind = text[*pos + 1];
    *pos += 2;
    if (kind == '\\' || kind == 'r' || kind == 'n') {
      *bytes += kind == 'r' ? '\r' : kind == 'n' ? '\n' : '\\';
    } else if (kind == 'x') {
      const int high = *pos + 1 < text.size() ? HexDigit(text[*pos]) : -1;
      const int low = high < 0 ? -1 : HexDigit(text[*pos + 1]);
      if (low < 0) {
        *problem = "\"\\x\" needs two hex digits";
        return false;
      }
      *bytes += static_cast<char>(high * 16 + low);
      *pos += 2;
    } else if (kind == '*') {
      size_t count = 0;
      const size_t digits = *pos;
      while (*pos < text.size() && text[*pos] >= '0' && text[*pos] <= '9') {
        // Held just above the limit: any count beyond it is refused below all the same.
        count = std::min(count * 10 + static_cast<size_t>(text[*pos] - '0'), kLongestDecoded + 1);
        ++*pos;
      }
      if (*pos == digits || *pos == text.size() || text[*pos] != '{') {
        *problem = "a repetition is \"\\*N{TEXT}\"";
        return false;
      }
      ++*pos;
      std::string unit;
      if (!DecodeFrom(text, pos, true, toGbk, &unit, problem, lossless)) return false;
      if (!unit.empty() && count > (kLongestDecoded - bytes->size()) / unit.size()) {
        *problem = "more than 1 MiB";
        return false;
      }
      for (size_t i = 0; i < count; ++i)
        *bytes += unit;
    } else {
      *problem = std::string("not an escape: \"\\") + kind + "\"";
      return false;
    }
  }
  if (inside && bytes->size() <= kLongestDecoded) {
    *problem = "a repetition \"\\*N{\" without its \"}\"";
    return false;
  }
  flush();
  if (bytes->size() > kLongestDecoded) {
    *problem = "more than 1 MiB";
    return false;
  }
  return true;
}

std::string HexEscape(unsigned char byte) {
  constexpr char kDigits[] = "0123456789ABCDEF";
  return {'\\', 'x', kDigits[byte >> 4], kDigits[byte & 0x0F]};
}

// A character that the display may show as itself: not U+FFFD (iconv's stand-in for a
// sequence it cannot decode) nor in the private use area (Windows' for the GBK areas
// without a standard character), where the two decoders disagree.
bool ShownAsCharacter(const std::string& utf8) {
  if (utf8.empty() || utf8.find("\xEF\xBF\xBD") != std::string::npos) return false;
  if (utf8.size() != 3) return true;
  const auto bits = [&](size_t i, unsigned mask) {
    return static_cast<unsigned>(static_cast<unsigned char>(utf8[i])) & mask;
  };
  const unsigned point = (bits(0, 0x0F) << 12) | (bits(1, 0x3F) << 6) | bits(2, 0x3F);
  return point < 0xE000 || point > 0xF8FF;
}

// Bytes of the GBK character at i: 2 for a lead byte with a valid second byte, else 1.
size_t GbkWidth(std::string_view text, size_t i) {
  const auto lead = static_cast<unsigned char>(text[i]);
  return lead >= 0x81 && lead <= 0xFE && i + 1 < text.size() && IsGbk(text.substr(i, 2)) ? 2 : 1;
}

std::string_view TrimBlanks(std::string_view text) {
  const size_t begin = text.find_first_not_of(" \t");
  if (begin == std::string_view::npos) return {};
  return text.substr(begin, text.find_last_not_of(" \t") - begin + 1);
}

// The name in a section line "[name]" (the last "]" closes it), or nothing.
std::optional<std::string_view> SectionLineName(std::string_view content) {
  const std::string_view line = TrimBlanks(content);
  if (line.empty() || line[0] != '[') return std::nullopt;
  std::optional<size_t> close;
  for (size_t i = 1; i < line.size(); i += GbkWidth(line, i)) {
    if (line[i] == ']') close = i;
  }
  if (!close) return std::nullopt;
  return TrimBlanks(line.substr(1, *close - 1));
}

bool SameSectionName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
  for (size_t i = 0; i < a.size();) {
    const size_t width = GbkWidth(a, i);
    if (width == 2 ? a.substr(i, 2) != b.substr(i, 2) : lower(a[i]) != lower(b[i])) return false;
    i += width;
  }
  return true;
}

std::string Name(const Chat& chat, const Text& account) {
  return ToUtf8(DisplayName(chat.group, account));
}

void PrintOutput(std::ostream& out, const std::string& output) {
  if (!output.empty()) out << output << '\n';
}

LineResult Failure(std::ostream& out, const std::string& why) {
  LineResult result;
  result.failed = true;
  result.output = why;
  out << "!! " << why << '\n';
  return result;
}

// Sends the message (GBK); shown is how the transcript shows it.
LineResult Send(Chat& chat, const Text& message, const std::string& shown, bool lossless,
                std::ostream& out) {
  if (chat.options.echoMessages) out << Name(chat, chat.sender) << ": " << shown << '\n';
  if (!lossless) out << "!! characters that GBK lacks were sent as \"?\"\n";
  std::string problem;
  const Text reply = SendToPlugin(chat, message, &problem);
  if (!problem.empty()) return Failure(out, problem);
  LineResult result;
  if (chat.options.raw) {
    result.output = reply;
    if (!reply.empty()) out << kReplyPrefix << reply << '\n';
  } else {
    result.output = RenderReply(reply, Name(chat, chat.sender));
    const std::vector<std::string> lines = ReplyLines(result.output);
    for (size_t i = 0; i < lines.size(); ++i) {
      out << (i == 0 ? kReplyPrefix : kReplyIndent) << lines[i] << '\n';
    }
  }
  if (reply.empty() && chat.options.showSilence) out << "(no reply)\n";
  return result;
}

LineResult Message(Chat& chat, const std::string& utf8, std::ostream& out) {
  bool lossless = true;
  const Text message = ToGbk(utf8, &lossless);
  return Send(chat, message, utf8, lossless, out);
}

// The section of the game file that holds a setting.
const char* SettingSection(const Text& key) {
  return key == kPathTemplateKey || key == kBalanceKeyKey ? kLinkSection : kSettingsSection;
}

LineResult Command(Chat& chat, const std::string& line, std::ostream& out) {
  const auto [command, rest] = SplitWord(line);
  if (command == "/send" && !rest.empty()) {
    // Echoed as the message it stands for, in the script's escapes.
    std::string sender;
    std::string written = rest;
    if (SplitSender(rest, &sender, &written)) chat.sender = sender;
    Text message;
    std::string problem;
    bool lossless = true;
    if (!DecodeEscapes(written, true, &message, &problem, &lossless)) {
      if (chat.options.echoMessages) out << line << '\n';
      return Failure(out, "/send: " + problem);
    }
    return Send(chat, message, written, lossless, out);
  }
  if (chat.options.echoMessages) out << line << '\n';
  const std::vector<std::string> words = Words(rest);
  LineResult result;
  if (command == "/quit") {
    result.quit = true;
  } else if (command == "/group" && words.size() == 1 && IsDigits(words[0])) {
    chat.group = words[0];
  } else if (command == "/as" && words.size() == 1 && IsDigits(words[0])) {
    chat.sender = words[0];
  } else if (command == "/nick" && words.size() >= 2 && IsDigits(words[0])) {
    // What the sign-in plugin keeps: 昵称 per account in the group's nickname file.
    const Text file = NicknameFilePath(chat.group);
    MakeFolders(ParentFolder(file));
    WriteProfile(file, words[0], "昵称", ToGbk(SplitWord(rest).second));
  } else if (command == "/setbalance" && words.size() == 2 && IsDigits(words[0])) {
    const Text balanceKey = ReadGameText(kLinkSection, kBalanceKeyKey);
    if (balanceKey.empty()) return Failure(out, ToUtf8("no link yet: send @关联插件 first"));
    const Text file = SignInDataPath(chat.group);
    MakeFolders(ParentFolder(file));
    WriteProfile(file, words[0], balanceKey, ToGbk(words[1]));
  } else if (command == "/balances" && !words.empty()) {
    const std::string unit = ToUtf8(ReadMeasureWord() + ReadCurrencyName());
    for (const std::string& account : words) {
      result.output += (result.output.empty() ? "" : "\n") + Name(chat, account) + " (" + account +
                       "): " + std::to_string(ReadBalance(chat.group, account)) + unit;
    }
  } else if (command == "/setting" && !words.empty()) {
    const auto [key, value] = SplitWord(rest);
    const Text gbkKey = ToGbk(key);
    if (value.empty()) {
      result.output = key + " = " + ToUtf8(ReadGameText(SettingSection(gbkKey), gbkKey));
    } else {
      WriteGameText(SettingSection(gbkKey), gbkKey, ToGbk(value));
    }
  } else if (command == "/section" && !rest.empty()) {
    // The file's own bytes, not the plugin's profile reading that a check must not trust.
    Bytes file;
    if (!ReadFileBytes(GameFilePath(), &file)) return Failure(out, "cannot read the game file");
    const std::vector<std::string> lines = SectionLines(file, ToGbk(rest));
    for (const std::string& shown : lines)
      result.output += (result.output.empty() ? "" : "\n") + shown;
    if (lines.empty()) result.output = "(no section " + rest + ")";
  } else if (command == "/help") {
    result.output =
        "10001: text   send text as 10001 (who then stays the sender)\n"
        "text          send text as the current sender\n"
        "/group N      switch to group N          /as ACCOUNT   switch sender\n"
        "/nick ACCOUNT NAME                       give a nickname (nickname file)\n"
        "/setbalance ACCOUNT AMOUNT               set a balance (sign-in data file)\n"
        "/balances ACCOUNT...                     show balances as the plugin reads them\n"
        "/setting KEY [VALUE]                     show or set a setting of Quillora.ini\n"
        "/section NAME                            show section NAME of Quillora.ini as the\n"
        "                                         file holds it\n"
        "/send [ACCOUNT:] TEXT                    send TEXT with escapes: \\r \\n \\\\, \\xHH\n"
        "                                         (a raw byte) and \\*N{TEXT} (TEXT N times)\n"
        "/quit";
  } else {
    return Failure(out, "not a command here: " + line + " (/help lists them)");
  }
  PrintOutput(out, result.output);
  return result;
}

}  // namespace

bool DecodeEscapes(std::string_view text, bool toGbk, std::string* bytes, std::string* problem,
                   bool* lossless) {
  bool converted = true;
  size_t pos = 0;
  bytes->clear();
  const bool decoded = DecodeFrom(text, &pos, false, toGbk, bytes, problem, &converted);
  if (lossless != nullptr) *lossless = converted;
  return decoded;
}

std::string EscapedText(std::string_view gbk) {
  std::string out;
  for (size_t i = 0; i < gbk.size();) {
    if (GbkWidth(gbk, i) == 2) {
      const std::string character = ToUtf8(gbk.substr(i, 2));
      if (ShownAsCharacter(character)) {
        out += character;
        i += 2;
        continue;
      }
    }
    const auto byte = static_cast<unsigned char>(gbk[i]);
    if (byte == '\\') {
      out += "\\\\";
    } else if (byte == '\r' || byte == '\n') {
      out += byte == '\r' ? "\\r" : "\\n";
    } else if (byte < 0x20 || byte >= 0x7F) {
      out += HexEscape(byte);
    } else {
      out += gbk[i];
    }
    ++i;
  }
  return out;
}

std::vector<std::string> SectionLines(std::string_view file, std::string_view name) {
  std::vector<std::string> lines;
  const std::string_view wanted = TrimBlanks(name);
  bool inside = false;
  for (size_t begin = 0; begin < file.size();) {
    // A stray lead byte cannot take a CR or LF along: neither is a GBK second byte.
    size_t end = file.find_first_of("\r\n", begin);
    if (end == std::string_view::npos) end = file.size();
    const bool crLf = file.compare(end, 2, "\r\n") == 0;
    const size_t next = std::min(end + (crLf ? 2 : 1), file.size());
    const std::string_view content = file.substr(begin, end - begin);
    const std::optional<std::string_view> opened = SectionLineName(content);
    if (opened) inside = SameSectionName(*opened, wanted);
    // Blank lines carry nothing and differ by platform: Windows keeps them, Wine drops
    // them whenever it saves the file.
    const bool blank = TrimBlanks(content).empty();
    if (inside && !blank) {
      lines.push_back(EscapedText(crLf ? content : file.substr(begin, next - begin)));
    }
    begin = next;
  }
  return lines;
}

bool StartChat(Chat* chat, std::string* problem) {
  const InfoExport info = FindInfo();
  if (info == nullptr) {
    *problem = "the plugin has no export info";
    return false;
  }
  const char* text = info();
  if (!ParseRegistration(text == nullptr ? Text() : Text(text), &chat->registrations, problem)) {
    *problem = "the registration text is malformed: " + *problem;
    return false;
  }
  return true;
}

Text SendToPlugin(const Chat& chat, const Text& message, std::string* problem) {
  const KeywordMatch match = MatchKeyword(chat.registrations, message);
  if (match.registration == nullptr) return {};
  const HandlerExport handler = FindHandler(match.registration->exportName);
  if (handler == nullptr) {
    *problem = "the plugin has no export " + ToUtf8(match.registration->exportName);
    return {};
  }
  // Message kind "2": a group message.
  const char* reply =
      handler(match.argument.c_str(), "2", chat.group.c_str(), chat.sender.c_str(), "");
  return reply == nullptr ? Text() : Text(reply);
}

LineResult HandleLine(Chat& chat, const std::string& rawLine, std::ostream& out) {
  std::string line = rawLine;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  if (Trim(line).empty()) return {};
  if (line[0] == '#') {
    if (chat.options.echoComments) out << line << '\n';
    return {};
  }
  if (line[0] == '/') return Command(chat, Trim(line), out);
  std::string sender;
  std::string message = line;
  if (SplitSender(line, &sender, &message)) chat.sender = sender;
  return Message(chat, message, out);
}

bool IsExpectationLine(const std::string& line) {
  return !line.empty() && line[0] == '>';
}

bool ParseExpectation(const std::string& rawLine, Expectation* expectation, std::string* problem) {
  std::string line = rawLine;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  if (line == ">") {
    expectation->kind = Expectation::Kind::kLine;
    expectation->text.clear();
  } else if (line.rfind("> ", 0) == 0) {
    expectation->kind = Expectation::Kind::kLine;
    expectation->text = line.substr(2);
  } else if (line.rfind(">\\ ", 0) == 0) {
    expectation->kind = Expectation::Kind::kLine;
    if (!DecodeEscapes(line.substr(3), false, &expectation->text, problem)) return false;
  } else if (line.rfind(">~ ", 0) == 0) {
    expectation->kind = Expectation::Kind::kPattern;
    expectation->text = line.substr(3);
    try {
      std::regex check(expectation->text);
    } catch (const std::regex_error&) {
      *problem = "not a regex: " + expectation->text;
      return false;
    }
  } else if (line == ">silent") {
    expectation->kind = Expectation::Kind::kSilent;
    expectation->text.clear();
  } else {
    *problem = "an expectation is \"> text\", \">\\ text\", \">~ regex\" or \">silent\": " + line;
    return false;
  }
  return true;
}

std::string UnmetExpectations(const std::string& output,
                              const std::vector<Expectation>& expectations) {
  const std::vector<std::string> lines = ReplyLines(output);
  std::vector<const Expectation*> lineExpectations;
  bool silent = false;
  for (const Expectation& expectation : expectations) {
    if (expectation.kind == Expectation::Kind::kSilent) {
      silent = true;
    } else {
      lineExpectations.push_back(&expectation);
    }
  }
  if (silent && !lineExpectations.empty()) return "\">silent\" cannot stand with expected lines";
  std::string got = "got:\n";
  for (const std::string& line : lines)
    got += "  | " + line + "\n";
  if (lines.empty()) got += "  (nothing)\n";
  if (silent) return lines.empty() ? std::string() : "expected no output, " + got;
  if (lines.size() != lineExpectations.size()) {
    return "expected " + std::to_string(lineExpectations.size()) + " line(s), " + got;
  }
  for (size_t i = 0; i < lines.size(); ++i) {
    const Expectation& expectation = *lineExpectations[i];
    const bool met = expectation.kind == Expectation::Kind::kLine
                         ? lines[i] == expectation.text
                         : std::regex_match(lines[i], std::regex(expectation.text));
    if (!met) {
      return "line " + std::to_string(i + 1) + " differs from \"" + expectation.text +
             "\" (script line " + std::to_string(expectation.lineNumber) + "), " + got;
    }
  }
  return {};
}

ScriptSummary RunScript(Chat& chat, std::istream& script, std::ostream& out) {
  ScriptSummary summary;
  std::string output;
  bool haveOutput = false;  // a line ran that expectations can refer to
  std::vector<Expectation> pending;
  int actionLine = 0;
  auto settle = [&]() {
    if (pending.empty()) return;
    summary.expectations += static_cast<int>(pending.size());
    const std::string unmet = UnmetExpectations(output, pending);
    if (!unmet.empty()) {
      ++summary.unmet;
      out << "!! expectation after script line " << actionLine << " not met: " << unmet;
    }
    pending.clear();
  };
  std::string line;
  int number = 0;
  while (std::getline(script, line)) {
    ++number;
    if (IsExpectationLine(line)) {
      Expectation expectation;
      std::string problem;
      expectation.lineNumber = number;
      if (!haveOutput) {
        problem = "an expectation needs a line before it to check";
      } else if (ParseExpectation(line, &expectation, &problem)) {
        pending.push_back(expectation);
        continue;
      }
      ++summary.errors;
      out << "!! script line " << number << ": " << problem << '\n';
      continue;
    }
    std::string trimmed = line;
    if (!trimmed.empty() && trimmed.back() == '\r') trimmed.pop_back();
    // Comments and blank lines may stand between a line and its expectations.
    if (Trim(trimmed).empty() || trimmed[0] == '#') {
      HandleLine(chat, line, out);
      continue;
    }
    settle();
    const LineResult result = HandleLine(chat, line, out);
    if (result.failed) ++summary.errors;
    output = result.output;
    haveOutput = true;
    actionLine = number;
    if (result.quit) break;
  }
  settle();
  return summary;
}

void Play(Chat& chat, std::istream& in, std::ostream& out, bool prompt) {
  std::string line;
  for (;;) {
    if (prompt)
      out << "[" << ToUtf8(chat.group) << "] " << Name(chat, chat.sender) << "> " << std::flush;
    if (!std::getline(in, line)) break;
    if (IsExpectationLine(line)) {
      out << "!! expectations belong in scripts for `run`\n";
      continue;
    }
    if (HandleLine(chat, line, out).quit) break;
  }
}

}  // namespace quillora::chat
