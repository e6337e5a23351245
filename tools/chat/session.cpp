#include "chat/session.hpp"

#include <istream>
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

LineResult Message(Chat& chat, const std::string& utf8, std::ostream& out) {
  bool lossless = true;
  const Text message = ToGbk(utf8, &lossless);
  if (chat.options.echoMessages) out << Name(chat, chat.sender) << ": " << utf8 << '\n';
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

// The section of the game file that holds a setting.
const char* SettingSection(const Text& key) {
  return key == kPathTemplateKey || key == kBalanceKeyKey ? kLinkSection : kSettingsSection;
}

LineResult Command(Chat& chat, const std::string& line, std::ostream& out) {
  if (chat.options.echoMessages) out << line << '\n';
  const auto [command, rest] = SplitWord(line);
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
  } else if (command == "/help") {
    result.output =
        "10001: text   send text as 10001 (who then stays the sender)\n"
        "text          send text as the current sender\n"
        "/group N      switch to group N          /as ACCOUNT   switch sender\n"
        "/nick ACCOUNT NAME                       give a nickname (nickname file)\n"
        "/setbalance ACCOUNT AMOUNT               set a balance (sign-in data file)\n"
        "/balances ACCOUNT...                     show balances as the plugin reads them\n"
        "/setting KEY [VALUE]                     show or set a setting of Quillora.ini\n"
        "/quit";
  } else {
    return Failure(out, "not a command here: " + line + " (/help lists them)");
  }
  PrintOutput(out, result.output);
  return result;
}

}  // namespace

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
    *problem = "an expectation is \"> text\", \">~ regex\" or \">silent\": " + line;
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
