// Placeholder until the POSIX profile files land.
#include "primitives/platform.hpp"

namespace quillora {

Text ReadProfile(const Text&, const Text&, const Text&) { return {}; }
void WriteProfile(const Text&, const Text&, const Text&, const Text&) {}
void DeleteSection(const Text&, const Text&) {}

}  // namespace quillora
