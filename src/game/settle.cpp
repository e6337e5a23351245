// Ending a round: "@惩罚结果" punishes the marked players once half of the answerers
// have voted; "@结束游戏" drops a started round without punishment.
#include "game/game_file.hpp"
#include "game/handlers.hpp"
#include "link/link.hpp"
#include "names/nickname.hpp"
#include "primitives/platform.hpp"

namespace quillora {

Text 投票结果(const Text&, const Text&, const Text& group, const Text& sender, const Text&) {
  if (ReadGameNumber(group, kPhaseKey) != kPhaseVoting) return {};
  if (!ListHas(ReadGameText(group, kAnsweredListKey), sender)) {
    return 获取QQ昵称(sender, group) + "你没有加入游戏[bq97]";
  }
  const int32_t answerCount = ReadGameNumber(group, kAnswerCountKey);
  const int32_t voteCount = ReadGameNumber(group, kVoteCountKey);
  if (voteCount - answerCount * 0.5 < -0.0000001) return "投票人数未过半，无法获取结果[bq9]";

  // Spread votes can leave nobody marked: then nobody is charged and no dare drawn.
  const Text punishedList = ReadGameText(group, kPunishedKey);
  TextList punished;
  for (const Text& account : SplitOn(punishedList, "|")) {
    if (!account.empty()) punished.push_back(account);
  }
  if (punished.empty()) {
    DeleteSection(GameFilePath(), group);
    return "[bq99]没有人被选为说谎者，本局无人受罚";
  }

  const Text dare = DrawLine(DareFilePath());
  const int32_t penalty = ReadPenalty();
  const Text currency = ReadCurrencyName();
  const Text measureWord = ReadMeasureWord();
  // A single player is named without a number in front.
  const bool single = LocateText(punishedList, "|") == -1;
  Text names;
  for (size_t i = 0; i < punished.size(); ++i) {
    if (!single) names += NumberText(static_cast<int32_t>(i + 1)) + "、";
    names += 获取QQ昵称(punished[i], group) + "\r\n";
    DeductPenalty(group, punished[i], penalty);
  }
  DeleteSection(GameFilePath(), group);
  return Concat("[bq99]受到大冒险惩罚并扣除", NumberText(penalty), measureWord, currency, "\r\n",
                names, dare);
}

Text 结束游戏(const Text&, const Text&, const Text& group, const Text& sender, const Text&) {
  if (ReadGameNumber(group, kPhaseKey) == kPhaseJoining) return {};
  if (!ListHas(ReadGameText(group, kAnsweredListKey), sender)) {
    return 获取QQ昵称(sender, group) + "你没有说出真心话，不能结束游戏[bq97]";
  }
  DeleteSection(GameFilePath(), group);
  return "游戏已结束，数据已清空[bq5][enter][bq105][cqname]最讨厌玩到一半退出的人[bq80]";
}

}  // namespace quillora
