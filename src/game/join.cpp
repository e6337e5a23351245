// Opening a round: "@Quillora" enrols a player while the round is joining, "start"
// closes the enrolment and asks the truth question.
#include "game/game_file.hpp"
#include "game/handlers.hpp"
#include "link/link.hpp"
#include "names/nickname.hpp"
#include "primitives/platform.hpp"

namespace quillora {

Text Quillora(const Text&, const Text& kind, const Text& group, const Text& sender, const Text&) {
  if (CompareText(kind, "2") != 0) return {};
  const Text currency = ReadCurrencyName();
  const int32_t balance = ReadBalance(group, sender);
  const int32_t penalty = ReadPenalty();
  const int32_t phase = ReadGameNumber(group, kPhaseKey);
  const int32_t joinedCount = ReadGameNumber(group, kJoinedCountKey);
  const Text joined = ReadGameText(group, kJoinedListKey);

  if (phase != kPhaseJoining)
    return 获取QQ昵称(sender, group) + "本局游戏已开始，请等待下一局[bq14]";
  // Checked before membership: a joined player who can no longer pay is told so.
  if (balance < penalty) return Concat(获取QQ昵称(sender, group), "你的", currency, "不足[bq9]");
  if (ListHas(joined, sender)) return 获取QQ昵称(sender, group) + "你已加入了游戏[bq97]";

  // Counts come from an editable file: the sum goes through the number rule so that
  // it wraps like every number read, instead of overflowing.
  const int32_t newCount = TruncateToInt(joinedCount + 1.0);
  WriteGameText(group, kJoinedCountKey, NumberText(newCount));
  WriteGameText(group, kJoinedListKey, ListAppend(joined, sender));

  if (newCount == 1) {
    return 获取QQ昵称(sender, group) + "发起了Quillora游戏！[enter]发送@Quillora 即可加入游戏！";
  }
  // The roster shows the list as stored, now ending with the sender.
  return Concat("[bq57]当前加入人员有：[enter]",
                RosterListing(ReadGameText(group, kJoinedListKey), group),
                "发送 start 即可开始游戏[bq13]");
}

Text start(const Text&, const Text&, const Text& group, const Text& sender, const Text&) {
  const int32_t phase = ReadGameNumber(group, kPhaseKey);
  const int32_t joinedCount = ReadGameNumber(group, kJoinedCountKey);
  const Text joined = ReadGameText(group, kJoinedListKey);

  if (phase != kPhaseJoining) return {};
  if (!ListHas(joined, sender)) return 获取QQ昵称(sender, group) + "你没有加入游戏[bq97]";
  // The stored count decides, not the length of the list.
  if (joinedCount < 3) return 获取QQ昵称(sender, group) + "人数不足3人，无法开始[bq84]";

  // The phase is written first, so the round has started whatever the draw yields.
  WriteGameText(group, kPhaseKey, NumberText(kPhaseAnswering));
  const Text roster = RosterListing(joined, group);
  const Text question = DrawLine(TruthFilePath());
  return Concat("[bq23]本局游戏成员如下:[enter]", roster, "真心话题目：", question,
                "\r\n大家发送 @真心话 内容进行回答");
}

}  // namespace quillora
