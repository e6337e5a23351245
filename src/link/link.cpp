#include "link/link.hpp"

#include <limits>

#include "game/game_file.hpp"
#include "primitives/platform.hpp"

namespace quillora {

namespace {

// The Kelvaro defaults carry notes for the operator on lines of their own below the
// key; reading the key back gives only the first line.
constexpr char kKelvaroPathTemplate[] =
    "config\\Kelvaro\\群号.ini\r\n"
    "#路径如果是Tovik的就写 toviksys\\群号.ini\r\n"
    "#路径如果是Selvane请填写 config\\Selvane\\Selvane签到.ini\r\n"
    "#路径就是填签到数据数据路径，其他签到插件自行寻找^_^";
constexpr char kKelvaroBalanceKey[] =
    "财富\r\n"
    "#群币如果是Tovik的就写 群币数量\r\n"
    "#群币如果是Selvane请填写 玫币\r\n"
    "#群币就是填写数据中记录群币的名称，其他签到插件自行寻找^_^\r\n";

// The settings as they stood before the link command wrote anything.
struct LinkSettings {
  Text pathTemplate;
  Text balanceKey;
  Text currencyName;
  Text measureWord;
  int32_t penalty = 0;
};

// The link command only fills gaps: a setting that has a value is left as it is.
void FillText(const char* section, const char* key, const Text& current, const char* value) {
  if (current.empty()) WriteGameText(section, key, value);
}

void FillPenalty(const LinkSettings& now) {
  if (now.penalty == 0) WriteGameText(kSettingsSection, kPenaltyKey, "10");
}

void FillCurrency(const LinkSettings& now) {
  FillText(kSettingsSection, kCurrencyNameKey, now.currencyName, "水晶币");
  FillText(kSettingsSection, kMeasureWordKey, now.measureWord, "个");
}

// The two sign-in plugins the command knows by name: penalty first, then the link.
void LinkKnownPlugin(const LinkSettings& now, const char* pathTemplate, const char* balanceKey) {
  FillPenalty(now);
  FillText(kLinkSection, kPathTemplateKey, now.pathTemplate, pathTemplate);
  FillText(kLinkSection, kBalanceKeyKey, now.balanceKey, balanceKey);
  FillCurrency(now);
}

Text BalanceKey() {
  return ReadGameText(kLinkSection, kBalanceKeyKey);
}

}  // namespace

Text 初始化配置(const Text& argument, const Text&, const Text&, const Text&, const Text&) {
  LinkSettings now;
  now.pathTemplate = ReadGameText(kLinkSection, kPathTemplateKey);
  now.balanceKey = ReadGameText(kLinkSection, kBalanceKeyKey);
  now.currencyName = ReadGameText(kSettingsSection, kCurrencyNameKey);
  now.measureWord = ReadGameText(kSettingsSection, kMeasureWordKey);
  now.penalty = ReadPenalty();

  if (LocateText(argument, "Tovik") != -1) {
    LinkKnownPlugin(now, "toviksys\\群号.ini", "群币数量");
    return "Tovik插件关联完成[bq14]";
  }
  if (LocateText(argument, "Selvane") != -1) {
    LinkKnownPlugin(now, "config\\Selvane\\Selvane签到.ini", "玫币");
    return "Selvane插件关联完成[bq14]";
  }
  FillText(kLinkSection, kPathTemplateKey, now.pathTemplate, kKelvaroPathTemplate);
  FillText(kLinkSection, kBalanceKeyKey, now.balanceKey, kKelvaroBalanceKey);
  FillCurrency(now);
  FillPenalty(now);
  return "插件关联失败，请手动配置config\\Quillora.ini";
}

Text SignInDataPath(const Text& group) {
  const Text pathTemplate = ReadGameText(kLinkSection, kPathTemplateKey);
  return Concat(RunDirectory(), "\\", ReplaceAll(pathTemplate, "群号", group));
}

int32_t ReadBalance(const Text& group, const Text& account) {
  return TruncateToInt(ParseNumber(ReadProfile(SignInDataPath(group), account, BalanceKey())));
}

void WriteBalance(const Text& group, const Text& account, int32_t amount) {
  const Text balanceKey = BalanceKey();
  // Before any link there is no balance key; writing would put an entry with an
  // empty key into the sign-in plugin's file.
  if (balanceKey.empty()) return;
  WriteProfile(SignInDataPath(group), account, balanceKey, NumberText(amount));
}

int32_t ReadPenalty() {
  return ReadGameNumber(kSettingsSection, kPenaltyKey);
}
Text ReadCurrencyName() {
  return ReadGameText(kSettingsSection, kCurrencyNameKey);
}
Text ReadMeasureWord() {
  return ReadGameText(kSettingsSection, kMeasureWordKey);
}

// A balance near the lower limit must not wrap round to a fortune.
int32_t BalanceAfterPenalty(int32_t balance, int32_t penalty) {
  const int64_t after = static_cast<int64_t>(balance) - penalty;
  if (after < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  if (after > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(after);
}

void DeductPenalty(const Text& group, const Text& account, int32_t penalty) {
  WriteBalance(group, account, BalanceAfterPenalty(ReadBalance(group, account), penalty));
}

}  // namespace quillora
