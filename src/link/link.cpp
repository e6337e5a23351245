// Placeholder until the sign-in link lands.
#include "link/link.hpp"

namespace quillora {

Text 初始化配置(const Text&, const Text&, const Text&, const Text&, const Text&) { return {}; }
Text SignInDataPath(const Text&) { return {}; }
int32_t ReadBalance(const Text&, const Text&) { return 0; }
void WriteBalance(const Text&, const Text&, int32_t) {}
int32_t ReadPenalty() { return 0; }
Text ReadCurrencyName() { return {}; }
Text ReadMeasureWord() { return {}; }
int32_t BalanceAfterPenalty(int32_t balance, int32_t) { return balance; }
void DeductPenalty(const Text&, const Text&, int32_t) {}

}  // namespace quillora
