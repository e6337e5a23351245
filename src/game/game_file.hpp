// The game file and the rules every round handler shares: where the files are, the
// keys of a group's section, account lists, answer records, drawing a line and the
// two listings.
#pragma once

#include <cstdint>

#include "primitives/text.hpp"

namespace quillora {

// Sections and keys of the game file.
inline constexpr char kSettingsSection[] = "Quillora";
inline constexpr char kLinkSection[] = "Quillora路径";
inline constexpr char kPhaseKey[] = "流程";
inline constexpr char kJoinedCountKey[] = "参加人数";
inline constexpr char kJoinedListKey[] = "参加人员";
inline constexpr char kAnswerCountKey[] = "描述人数";
inline constexpr char kAnsweredListKey[] = "描述人员";
inline constexpr char kVoteCountKey[] = "投票人数";
inline constexpr char kVotersKey[] = "投票人员";
inline constexpr char kPunishedKey[] = "惩罚人员";

// Phases of a round, as stored in "流程" (a missing key reads as joining).
inline constexpr int32_t kPhaseJoining = 0;
inline constexpr int32_t kPhaseAnswering = 1;
inline constexpr int32_t kPhaseVoting = 2;

Text GameFilePath();   // run directory + "\config\Quillora.ini"
Text TruthFilePath();  // run directory + "\plugin\真心话.txt"
Text DareFilePath();   // run directory + "\plugin\大冒险.txt"

// A value of a group's section (or of a settings section) of the game file.
Text ReadGameText(const Text& section, const Text& key);
// The value read as a number and truncated toward zero; missing reads as 0.
int32_t ReadGameNumber(const Text& section, const Text& key);
void WriteGameText(const Text& section, const Text& key, const Text& value);

// Exact membership of an account in a "|"-joined list; the empty account is in no list.
bool ListHas(const Text& list, const Text& account);
Text ListAppend(const Text& list, const Text& account);

// An answer record: author "|" answer "|" votes, read from both ends so that an
// answer holding "|" stays whole. A record of fewer than three fields is not usable;
// its author is still the first field, if any, and its answer and votes are empty.
struct AnswerRecord {
  bool usable = false;
  Text author;
  Text answer;
  Text votes;
};
AnswerRecord ReadAnswerRecord(const Text& record);
Text AnswerRecordText(const Text& author, const Text& answer, const Text& votes);

// One line of a game text file at random; the empty text when there is none.
Text DrawLine(const Text& path);

// "1、【nick】[enter]" ... for the accounts of a list.
Text RosterListing(const Text& list, const Text& group);
// "1、【nick】:answer[enter]" ... for answer records 1 to n of a group.
Text AnswerListing(const Text& group, int32_t n);

}  // namespace quillora
