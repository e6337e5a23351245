// Placeholder until the Windows platform lands.
#include "primitives/platform.hpp"

namespace quillora {

namespace {
Text& FixedRunDirectory() {
  static Text directory;
  return directory;
}
}  // namespace

Text RunDirectory() { return FixedRunDirectory(); }
void FixRunDirectory(const Text& directory) { FixedRunDirectory() = directory; }
Text ReadProfile(const Text&, const Text&, const Text&) { return {}; }
void WriteProfile(const Text&, const Text&, const Text&, const Text&) {}
void DeleteSection(const Text&, const Text&) {}
Bytes ReadWholeFile(const Text&) { return {}; }
uint32_t TickCount() { return 0; }
void SeedRandom() {}
int32_t RandomBetween(int32_t low, int32_t) { return low; }
DateTime Now() { return {}; }
Text DateText(const DateTime&) { return {}; }
Bytes FetchUrl(const Text&) { return {}; }

}  // namespace quillora
