#include "game/game_file.hpp"

#include "names/nickname.hpp"
#include "primitives/platform.hpp"

namespace quillora {

Text GameFilePath() {
  return RunDirectory() + "\\config\\Quillora.ini";
}
Text TruthFilePath() {
  return RunDirectory() + "\\plugin\\真心话.txt";
}
Text DareFilePath() {
  return RunDirectory() + "\\plugin\\大冒险.txt";
}

Text ReadGameText(const Text& section, const Text& key) {
  return ReadProfile(GameFilePath(), section, key);
}

int32_t ReadGameNumber(const Text& section, const Text& key) {
  return TruncateToInt(ParseNumber(ReadGameText(section, key)));
}

void WriteGameText(const Text& section, const Text& key, const Text& value) {
  WriteProfile(GameFilePath(), section, key, value);
}

// Members are compared whole: a search in the joined text would find 234 inside
// 12345 and lock that player out of the round.
bool ListHas(const Text& list, const Text& account) {
  if (account.empty()) return false;
  for (const Text& member : SplitOn(list, "|")) {
    if (CompareText(member, account) == 0) return true;
  }
  return false;
}

Text ListAppend(const Text& list, const Text& account) {
  return list.empty() ? account : Concat(list, "|", account);
}

// The author never holds "|" and the vote count is digits, so whatever lies between
// the first and the last "|" is the answer, even when the answer itself holds "|".
AnswerRecord ReadAnswerRecord(const Text& record) {
  const TextList fields = SplitOn(record, "|");
  AnswerRecord result;
  result.author = Member(fields, 1);
  if (fields.size() < 3) return result;
  result.usable = true;
  result.votes = fields.back();
  for (size_t i = 1; i + 1 < fields.size(); ++i) {
    if (i > 1) result.answer += "|";
    result.answer += fields[i];
  }
  return result;
}

Text AnswerRecordText(const Text& author, const Text& answer, const Text& votes) {
  return Concat(author, "|", answer, "|", votes);
}

Text DrawLine(const Text& path) {
  const TextList lines = SplitOn(BytesToText(ReadWholeFile(path)), "\r\n");
  SeedRandom();
  // With no lines the draw falls outside the list and Member gives the empty text.
  return Member(lines, RandomBetween(1, static_cast<int32_t>(lines.size())));
}

Text RosterListing(const Text& list, const Text& group) {
  const TextList members = SplitOn(list, "|");
  Text listing;
  for (size_t i = 0; i < members.size(); ++i) {
    listing += Concat(NumberText(static_cast<int32_t>(i + 1)), "、", 获取QQ昵称(members[i], group),
                      "[enter]");
  }
  return listing;
}

Text AnswerListing(const Text& group, int32_t n) {
  Text listing;
  for (int32_t i = 1; i <= n; ++i) {
    const AnswerRecord record = ReadAnswerRecord(ReadGameText(group, NumberText(i)));
    // A missing record has no author to look up; asking the web for an empty account
    // would only cost a request.
    const Text name = record.author.empty() ? Text("【】") : 获取QQ昵称(record.author, group);
    listing += Concat(NumberText(i), "、", name, ":", record.answer, "[enter]");
  }
  return listing;
}

}  // namespace quillora
