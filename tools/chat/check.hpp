// An operator's check of a run directory: the usual reasons why the game stays silent,
// shows empty questions or names, or refuses everyone for want of currency. Each
// finding says what to do.
#pragma once

#include <string>
#include <vector>

#include "primitives/text.hpp"

namespace quillora::chat {

enum class Issue {
  kNone,  // a passed check, shown as "ok"
  kNoConfigFolder,
  kQuestionFileMissing,
  kQuestionFileEmpty,
  kQuestionFileUtf8,     // UTF-8 without a byte-order mark
  kQuestionFileUtf8Bom,  // UTF-8 with one
  kQuestionFileNotGbk,   // neither GBK nor UTF-8 (UTF-16, for example)
  kQuestionFileLfOnly,   // lines ended by LF (or CR) alone
  kQuestionFileEmptyLines,
  kQuestionFileNotFixable,  // UTF-8 with characters that GBK lacks
  kNoLink,
  kNoPenalty,
  kNoSignInData,
  kNoBalances,
  kNoNicknameFile,
  kEndpointSilent,
  kEndpointNoNickname,
};

enum class Severity { kOk, kNote, kProblem, kFixed };

struct Finding {
  Issue issue = Issue::kNone;
  Severity severity = Severity::kOk;
  Text what;  // GBK, like the paths and names it quotes
  Text todo;
};

struct CheckOptions {
  Text group;        // check the sign-in data and nickname files of this group too
  bool fix = false;  // convert question files to GBK with CR LF, keeping a .bak
  bool web = true;   // ask the nickname endpoint
};

// Checks the run directory that RunDirectory() names.
std::vector<Finding> CheckRunDirectory(const CheckOptions& options);

// What is wrong with a question file's bytes (Issue::kNone for none), in the order
// the findings are reported; empty bytes give kQuestionFileEmpty.
std::vector<Issue> QuestionFileIssues(const Bytes& content);
// The file's bytes as the plugin needs them: GBK, CR LF, no empty lines. False when the
// text cannot be converted (not UTF-8 nor GBK, or characters outside GBK).
bool FixedQuestionFile(const Bytes& content, Bytes* fixed);

}  // namespace quillora::chat
