// Placeholder until the game file rules land.
#include "game/game_file.hpp"

#include "primitives/platform.hpp"

namespace quillora {

Text GameFilePath() { return RunDirectory() + "\\config\\Quillora.ini"; }
Text TruthFilePath() { return RunDirectory() + "\\plugin\\真心话.txt"; }
Text DareFilePath() { return RunDirectory() + "\\plugin\\大冒险.txt"; }
Text ReadGameText(const Text&, const Text&) { return {}; }
int32_t ReadGameNumber(const Text&, const Text&) { return 0; }
void WriteGameText(const Text&, const Text&, const Text&) {}
bool ListHas(const Text&, const Text&) { return false; }
Text ListAppend(const Text& list, const Text& account) { return list.empty() ? account : list + "|" + account; }
AnswerRecord ReadAnswerRecord(const Text&) { return {}; }
Text AnswerRecordText(const Text& a, const Text& b, const Text& c) { return a + "|" + b + "|" + c; }
Text DrawLine(const Text&) { return {}; }
Text RosterListing(const Text&, const Text&) { return {}; }
Text AnswerListing(const Text&, int32_t) { return {}; }

}  // namespace quillora
