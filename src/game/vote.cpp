// "@投票": every player who has answered votes once for the answer he takes for a
// lie; an author whose answer reaches three tenths of the answers is marked for
// punishment.
#include "game/game_file.hpp"
#include "game/handlers.hpp"
#include "names/nickname.hpp"

namespace quillora {

namespace {

// The voting guide: every answer by its number.
Text VotingGuide(const Text& group, int32_t answerCount) {
  return Concat("[bq80]请按照以下序号投票[enter]", AnswerListing(group, answerCount),
                "投票格式 @投票 序号");
}

}  // namespace

Text 投票(const Text& argument, const Text&, const Text& group, const Text& sender, const Text&) {
  if (ReadGameNumber(group, kPhaseKey) != kPhaseVoting) return {};
  const int32_t answerCount = ReadGameNumber(group, kAnswerCountKey);
  const int32_t voteCount = ReadGameNumber(group, kVoteCountKey);
  const Text answerers = ReadGameText(group, kAnsweredListKey);
  const Text voters = ReadGameText(group, kVotersKey);
  const Text punished = ReadGameText(group, kPunishedKey);
  const int32_t n = TruncateToInt(ParseNumber(TrimEnds(argument)));

  if (!ListHas(answerers, sender)) return 获取QQ昵称(sender, group) + "你没有加入游戏[bq97]";
  if (ListHas(voters, sender)) return 获取QQ昵称(sender, group) + "已经投过票了[bq14]";
  if (n < 1 || n > answerCount) return VotingGuide(group, answerCount);
  // A record without a vote count or an author (missing, or edited by hand) cannot take
  // a vote: there is nothing to count, or nobody to mark.
  const AnswerRecord record = ReadAnswerRecord(ReadGameText(group, NumberText(n)));
  if (!record.usable || record.author.empty()) return VotingGuide(group, answerCount);

  // Counts come from an editable file: arithmetic on them goes through the number
  // rule so that it wraps like every number read, instead of overflowing.
  const int32_t votes = TruncateToInt(ParseNumber(record.votes) + 1.0);
  const int32_t newVoteCount = TruncateToInt(voteCount + 1.0);
  const Text votesText = NumberText(votes);
  WriteGameText(group, NumberText(n), AnswerRecordText(record.author, record.answer, votesText));
  WriteGameText(group, kVotersKey, ListAppend(voters, sender));
  // An author is marked once, when his answer first reaches the threshold.
  if (!ListHas(punished, record.author) && votes - answerCount * 0.3 >= -0.0000001) {
    WriteGameText(group, kPunishedKey, ListAppend(punished, record.author));
  }
  WriteGameText(group, kVoteCountKey, NumberText(newVoteCount));

  const char* closing = newVoteCount == answerCount
                            ? "票\r\n请发送 @惩罚结果 获取结果列表"
                            : "票\r\n请所有人投票结束后发送 @惩罚结果 获取结果列表";
  return Concat("[bq108]", 获取QQ昵称(record.author, group), "已经获得", votesText, closing);
}

}  // namespace quillora
