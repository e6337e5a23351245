// "@真心话": every joined player answers the truth question once; the last answer
// opens the vote.
#include <string_view>

#include "game/game_file.hpp"
#include "game/handlers.hpp"
#include "names/nickname.hpp"
#include "primitives/platform.hpp"

namespace quillora {

namespace {

// Longest value that reads back whole from a profile file, and room for the widest
// vote count a record can reach (it only grows from 0, so no sign).
constexpr size_t kLongestValue = 10239;
constexpr size_t kWidestVoteCount = 10;

// Every CR LF, lone CR and lone LF becomes "[enter]". Done on bytes, not characters:
// a stray lead byte in front of a CR or LF must not carry it into the game file,
// where it would start a line of its own (a key, a section).
Text WithoutLineBreaks(std::string_view text) {
  Text result;
  result.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' || text[i] == '\n') {
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      result += "[enter]";
    } else {
      result += text[i];
    }
  }
  return result;
}

// The longest beginning of the text of at most limit bytes that ends at a character
// boundary.
Text CutToCharacters(std::string_view text, size_t limit) {
  size_t end = 0;
  while (end < text.size()) {
    const size_t width = static_cast<unsigned char>(text[end]) >= 0x80 ? 2 : 1;
    if (end + width > limit || end + width > text.size()) break;
    end += width;
  }
  return Text(text.substr(0, end));
}

// The answer as it may be stored for this author: its record, with any vote count,
// must read back whole.
Text StorableAnswer(const Text& argument, const Text& author) {
  const size_t frame = author.size() + 2 + kWidestVoteCount;  // author "|" answer "|" votes
  const size_t room = frame < kLongestValue ? kLongestValue - frame : 0;
  return CutToCharacters(WithoutLineBreaks(TrimEnds(argument)), room);
}

}  // namespace

Text 答案(const Text& argument, const Text&, const Text& group, const Text& sender, const Text&) {
  const Text answer = StorableAnswer(argument, sender);
  const int32_t phase = ReadGameNumber(group, kPhaseKey);
  const int32_t joinedCount = ReadGameNumber(group, kJoinedCountKey);
  const Text answered = ReadGameText(group, kAnsweredListKey);
  const int32_t answerCount = ReadGameNumber(group, kAnswerCountKey);

  if (phase != kPhaseAnswering) return {};
  if (!ListHas(ReadGameText(group, kJoinedListKey), sender)) {
    return 获取QQ昵称(sender, group) + "你没有加入游戏[bq97]";
  }
  // Before the empty test: a second answer, even an empty one, is told it is recorded.
  if (ListHas(answered, sender)) return 获取QQ昵称(sender, group) + "的答案已记录[bq14]";
  if (answer.empty()) return 获取QQ昵称(sender, group) + "不回答可不行哦[bq12]";

  // Counts come from an editable file: arithmetic on them goes through the number
  // rule so that it wraps like every number read, instead of overflowing.
  const int32_t n = TruncateToInt(answerCount + 1.0);
  WriteGameText(group, kAnsweredListKey, ListAppend(answered, sender));
  WriteGameText(group, kAnswerCountKey, NumberText(n));
  WriteGameText(group, NumberText(n), AnswerRecordText(sender, answer, "0"));

  const Text listing = Concat("[bq81]真心话记录如下：[enter]", AnswerListing(group, n));
  if (n == joinedCount) {
    WriteGameText(group, kPhaseKey, NumberText(kPhaseVoting));
    return listing + "请大家发送@投票 序号 选出说谎者！";
  }
  SeedRandom();
  if (RandomBetween(1, 3) == 1) return listing + "中途结束游戏可以发送 @结束游戏[bq53]";
  const int32_t remaining = TruncateToInt(static_cast<double>(joinedCount) - n);
  return Concat(listing, "还有", NumberText(remaining), "人没有说出真心话[bq26]");
}

}  // namespace quillora
