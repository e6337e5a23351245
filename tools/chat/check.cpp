#include "chat/check.hpp"

#include "chat/charset.hpp"
#include "chat/files.hpp"
#include "chat/host.hpp"
#include "chat/setup.hpp"
#include "game/game_file.hpp"
#include "link/link.hpp"
#include "names/nickname.hpp"
#include "primitives/platform.hpp"

namespace quillora::chat {

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

bool IsBlankLine(std::string_view line) {
  return line.find_first_not_of(" \t") == std::string_view::npos;
}

// Lines split at CR LF, LF or CR; a line break at the very end adds no empty line.
std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  size_t begin = 0;
  while (begin < text.size()) {
    size_t end = text.find_first_of("\r\n", begin);
    if (end == std::string_view::npos) end = text.size();
    lines.push_back(text.substr(begin, end - begin));
    begin = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
  }
  return lines;
}

bool HasLoneLineBreaks(std::string_view text) {
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) return true;
    if (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n')) return true;
  }
  return false;
}

bool IsFixable(Issue issue) {
  return issue == Issue::kQuestionFileUtf8 || issue == Issue::kQuestionFileUtf8Bom ||
         issue == Issue::kQuestionFileLfOnly || issue == Issue::kQuestionFileEmptyLines;
}

Finding Make(Issue issue, Severity severity, const Text& what, const Text& todo = {}) {
  return {issue, severity, what, todo};
}

// The first free name among file.bak, file.bak2, ... so that no backup is overwritten.
Text BackupPath(const Text& file) {
  Text backup = file + ".bak";
  for (int n = 2; FileExists(backup); ++n)
    backup = file + ".bak" + std::to_string(n);
  return backup;
}

Text QuestionIssueText(Issue issue, const Text& name) {
  switch (issue) {
    case Issue::kQuestionFileEmpty:
      return name + " is empty: every draw shows an empty question";
    case Issue::kQuestionFileUtf8:
      return name + " is UTF-8 text; the plugin reads GBK, so its questions come out garbled";
    case Issue::kQuestionFileUtf8Bom:
      return name +
             " is UTF-8 text with a byte-order mark; the plugin reads GBK, so its "
             "questions come out garbled";
    case Issue::kQuestionFileNotGbk:
      return name + " is not GBK text (UTF-16 or binary?)";
    case Issue::kQuestionFileLfOnly:
      return name +
             " has lines ended by LF (or CR) alone; the plugin splits at CR LF, so it "
             "takes such lines for one question";
    case Issue::kQuestionFileEmptyLines:
      return name + " has empty lines; a draw can land on one and show an empty question";
    default:
      return name;
  }
}

void CheckQuestionFile(const Text& path, const Text& name, bool fix,
                       std::vector<Finding>* findings) {
  if (!FileExists(path)) {
    findings->push_back(Make(Issue::kQuestionFileMissing, Severity::kProblem,
                             name + " is missing: every draw shows an empty question",
                             "put it there: one question per line, GBK text, CR LF line ends "
                             "(the sample files of the bundle are a start)"));
    return;
  }
  Bytes content;
  ReadFileBytes(path, &content);
  const std::vector<Issue> issues = QuestionFileIssues(content);
  if (issues.empty()) {
    findings->push_back(
        Make(Issue::kNone, Severity::kOk,
             name + ": " + std::to_string(Lines(content).size()) + " questions, GBK, CR LF"));
    return;
  }
  bool fixable = true;
  for (Issue issue : issues)
    fixable = fixable && IsFixable(issue);
  Bytes fixed;
  if (fix && fixable && FixedQuestionFile(content, &fixed)) {
    const Text backup = BackupPath(path);
    if (CopyFileTo(path, backup) && WriteFileBytes(path, fixed)) {
      for (Issue issue : issues) {
        findings->push_back(Make(issue, Severity::kFixed, QuestionIssueText(issue, name),
                                 "fixed: now GBK with CR LF; the old file is kept as " +
                                     backup.substr(RunDirectory().size() + 1)));
      }
      return;
    }
  }
  if (fixable && !FixedQuestionFile(content, &fixed)) {
    findings->push_back(Make(Issue::kQuestionFileNotFixable, Severity::kProblem,
                             name + " is UTF-8 text with characters that GBK lacks",
                             "remove those characters (emoji, rare characters), then save it "
                             "as GBK with CR LF"));
    return;
  }
  for (Issue issue : issues) {
    Text todo;
    if (issue == Issue::kQuestionFileEmpty) {
      todo = "put questions in it: one per line, GBK text, CR LF line ends";
    } else if (issue == Issue::kQuestionFileNotGbk) {
      todo = "save it as GBK (\"ANSI\" in the editors of a Chinese Windows) with CR LF";
    } else {
      todo =
          "run: quillora-chat check <folder> --fix (converts it, keeps a .bak), or save it "
          "as GBK with CR LF";
    }
    findings->push_back(Make(issue, Severity::kProblem, QuestionIssueText(issue, name), todo));
  }
}

// A line "key=..." (blanks allowed around the key) anywhere in a profile file.
bool HasKeyLine(const Bytes& content, const Text& key) {
  for (std::string_view line : Lines(content)) {
    const size_t begin = line.find_first_not_of(" \t");
    if (begin == std::string_view::npos || line.compare(begin, key.size(), key) != 0) continue;
    const size_t equals = line.find_first_not_of(" \t", begin + key.size());
    if (equals != std::string_view::npos && line[equals] == '=') return true;
  }
  return false;
}

void CheckGroup(const Text& group, bool linked, std::vector<Finding>* findings) {
  const Text dir = RunDirectory();
  if (linked) {
    const Text pathTemplate = ReadGameText(kLinkSection, kPathTemplateKey);
    const Text balanceKey = ReadGameText(kLinkSection, kBalanceKeyKey);
    const Text path = SignInDataPath(group);
    const Text shown = path.substr(dir.size() + 1);
    Bytes content;
    const bool exists = FileExists(path) && ReadFileBytes(path, &content);
    if (!exists) {
      findings->push_back(Make(
          Issue::kNoSignInData, Severity::kProblem,
          "no sign-in data file for group " + group + " at " + shown + " (路径 = " + pathTemplate +
              "): every balance reads 0, so with a penalty above 0 every "
              "player is told that the currency is 不足",
          "set 路径 in [Quillora路径] of config\\Quillora.ini to the file in which the sign-in "
          "plugin keeps the balances, relative to the run directory; 群号 stands for the "
          "group number"));
    } else if (!HasKeyLine(content, balanceKey)) {
      findings->push_back(
          Make(Issue::kNoBalances, Severity::kProblem,
               shown + " holds no balance under the key " + balanceKey +
                   " (群币): every balance "
                   "reads 0",
               "set 群币 in [Quillora路径] of config\\Quillora.ini to the key under which the "
               "sign-in plugin writes a balance in that file"));
    } else {
      findings->push_back(
          Make(Issue::kNone, Severity::kOk,
               "group " + group + ": balances in " + shown + " under " + balanceKey));
    }
  }
  const Text nicknames = NicknameFilePath(group);
  if (!FileExists(nicknames)) {
    findings->push_back(Make(Issue::kNoNicknameFile, Severity::kNote,
                             "group " + group + " has no nickname file " +
                                 nicknames.substr(dir.size() + 1) +
                                 ": every name is asked of the nickname endpoint"));
  } else {
    findings->push_back(
        Make(Issue::kNone, Severity::kOk,
             "group " + group + ": nicknames in " + nicknames.substr(dir.size() + 1)));
  }
}

void CheckEndpoint(std::vector<Finding>* findings) {
  Text host = ReadGameText(kSettingsSection, kNicknameEndpointKey);
  if (host.empty()) host = kDefaultNicknameHost;
  const Text url = "http://" + host + "/fcg-bin/cgi_get_portrait.fcg?uins=10000";
  const Text body = BytesToText(FetchUrl(url));
  if (body.empty()) {
    findings->push_back(
        Make(Issue::kEndpointSilent, Severity::kProblem,
             "the nickname endpoint " + host +
                 " gives no answer: names that the nickname file "
                 "lacks come out empty, as 【】",
             "give the players nicknames in config\\Kelvaro\\<group>.ini (section = account, key "
             "昵称), or set 昵称接口 in [Quillora] of config\\Quillora.ini to a server that "
             "answers"));
  } else if (LocateText(body, "\",0]})", true) == -1) {
    findings->push_back(Make(Issue::kEndpointNoNickname, Severity::kNote,
                             "the nickname endpoint " + host +
                                 " answers, but not with a nickname in the expected form"));
  } else {
    findings->push_back(
        Make(Issue::kNone, Severity::kOk, "the nickname endpoint " + host + " answers"));
  }
}

}  // namespace

std::vector<Issue> QuestionFileIssues(const Bytes& content) {
  std::vector<Issue> issues;
  std::string_view text = content;
  const bool bom = text.substr(0, kUtf8Bom.size()) == kUtf8Bom;
  if (bom) text.remove_prefix(kUtf8Bom.size());
  const std::vector<std::string_view> lines = Lines(text);
  size_t blank = 0;
  for (std::string_view line : lines)
    blank += IsBlankLine(line) ? 1 : 0;
  if (blank == lines.size()) return {Issue::kQuestionFileEmpty};
  if (bom) {
    issues.push_back(Issue::kQuestionFileUtf8Bom);
  } else if (HasHighBytes(text) && IsUtf8(text)) {
    issues.push_back(Issue::kQuestionFileUtf8);
  } else if (!IsGbk(text) || text.find('\0') != std::string_view::npos) {
    return {Issue::kQuestionFileNotGbk};
  }
  if (HasLoneLineBreaks(text)) issues.push_back(Issue::kQuestionFileLfOnly);
  if (blank > 0) issues.push_back(Issue::kQuestionFileEmptyLines);
  return issues;
}

bool FixedQuestionFile(const Bytes& content, Bytes* fixed) {
  std::string_view text = content;
  const bool bom = text.substr(0, kUtf8Bom.size()) == kUtf8Bom;
  if (bom) text.remove_prefix(kUtf8Bom.size());
  Text gbk(text);
  if (bom || (HasHighBytes(text) && IsUtf8(text))) {
    bool lossless = true;
    gbk = ToGbk(text, &lossless);
    if (!lossless) return false;
  } else if (!IsGbk(text) || text.find('\0') != std::string_view::npos) {
    return false;
  }
  Text lines;
  for (std::string_view line : Lines(gbk)) {
    if (!IsBlankLine(line)) lines.append(line).append("\n");
  }
  *fixed = QuestionFileBytes(lines);
  return true;
}

std::vector<Finding> CheckRunDirectory(const CheckOptions& options) {
  std::vector<Finding> findings;
  const Text dir = RunDirectory();
  if (!FolderExists(dir + "\\config")) {
    findings.push_back(Make(Issue::kNoConfigFolder, Severity::kProblem,
                            "the folder config is missing: the plugin stores nothing, so no "
                            "round can begin",
                            "create the folder config in the run directory"));
  } else {
    findings.push_back(Make(Issue::kNone, Severity::kOk, "the folder config is there"));
  }

  CheckQuestionFile(TruthFilePath(), "plugin\\真心话.txt", options.fix, &findings);
  CheckQuestionFile(DareFilePath(), "plugin\\大冒险.txt", options.fix, &findings);

  const Text pathTemplate = ReadGameText(kLinkSection, kPathTemplateKey);
  const Text balanceKey = ReadGameText(kLinkSection, kBalanceKeyKey);
  const bool linked = !pathTemplate.empty() && !balanceKey.empty();
  if (!linked) {
    findings.push_back(
        Make(Issue::kNoLink, Severity::kProblem,
             "no link to a sign-in plugin: 路径 or 群币 is missing in [Quillora路径] of "
             "config\\Quillora.ini, so every balance reads 0",
             "send \"@关联插件 Tovik\" in a group (or Selvane; any other word writes the Kelvaro "
             "defaults), or fill in 路径 and 群币 by hand"));
  } else {
    findings.push_back(Make(Issue::kNone, Severity::kOk,
                            "linked: balances in " + pathTemplate + " under " + balanceKey));
  }
  if (ReadPenalty() == 0) {
    findings.push_back(Make(Issue::kNoPenalty, Severity::kNote,
                            "惩罚金额 is 0 or missing: joining is free and a punishment "
                            "deducts nothing"));
  }
  if (!options.group.empty()) CheckGroup(options.group, linked, &findings);
  if (options.web) CheckEndpoint(&findings);
  return findings;
}

}  // namespace quillora::chat
