// The link to the sign-in plugin that keeps the group currency: the five settings,
// the link command and the balance operations.
#pragma once

#include <cstdint>

#include "primitives/text.hpp"

namespace quillora {

inline constexpr char kPathTemplateKey[] = "路径";
inline constexpr char kBalanceKeyKey[] = "群币";
inline constexpr char kCurrencyNameKey[] = "群币名称";
inline constexpr char kMeasureWordKey[] = "群币单位";
inline constexpr char kPenaltyKey[] = "惩罚金额";

// The link command ("@关联插件").
Text 初始化配置(const Text& argument, const Text& kind, const Text& group, const Text& sender,
                const Text& fifth);

Text SignInDataPath(const Text& group);
int32_t ReadBalance(const Text& group, const Text& account);
void WriteBalance(const Text& group, const Text& account, int32_t amount);
int32_t ReadPenalty();
Text ReadCurrencyName();
Text ReadMeasureWord();

// balance - penalty, held at the 32-bit limits instead of wrapping.
int32_t BalanceAfterPenalty(int32_t balance, int32_t penalty);
// Takes the penalty from one player's balance in the sign-in data file.
void DeductPenalty(const Text& group, const Text& account, int32_t penalty);

}  // namespace quillora
