// Placeholder until the export layer lands.
#include "boundary/exports.hpp"

#include "primitives/platform.hpp"

namespace {
const char kEmpty[] = "";
}

extern "C" {
const char* QUILLORA_CALL QuilloraInfo() { return kEmpty; }
#define HANDLER(name) \
  const char* QUILLORA_CALL name(const char*, const char*, const char*, const char*, const char*) { return kEmpty; }
HANDLER(QuilloraLink)
HANDLER(QuilloraJoin)
HANDLER(QuilloraStart)
HANDLER(QuilloraAnswer)
HANDLER(QuilloraVote)
HANDLER(QuilloraSettle)
HANDLER(QuilloraEnd)
const char* QUILLORA_CALL QuilloraNickname(const char*, const char*) { return kEmpty; }
const char* QUILLORA_CALL QuilloraTextBetween(const char*, const char*, const char*) { return nullptr; }
const char* QUILLORA_CALL QuilloraStripBlanks(const char*) { return nullptr; }
const char* QUILLORA_CALL QuilloraDate() { return kEmpty; }
}

namespace quillora {
void LoadPlugin(const Text& runDirectory) { FixRunDirectory(runDirectory); }
void UnloadPlugin() {}
}  // namespace quillora
