// The twelve exports of Quillora.cqp.dll. In the DLL they are stdcall and carry the
// GBK names of exports.list; the native build has the same functions as plain C
// functions, for tests and the local chat simulator.
#pragma once

#include "primitives/text.hpp"

#ifdef _WIN32
#define QUILLORA_CALL __stdcall
#else
#define QUILLORA_CALL
#endif

extern "C" {

const char* QUILLORA_CALL QuilloraInfo();
const char* QUILLORA_CALL QuilloraLink(const char* argument, const char* kind, const char* group,
                                       const char* sender, const char* fifth);
const char* QUILLORA_CALL QuilloraJoin(const char* argument, const char* kind, const char* group,
                                       const char* sender, const char* fifth);
const char* QUILLORA_CALL QuilloraStart(const char* argument, const char* kind, const char* group,
                                        const char* sender, const char* fifth);
const char* QUILLORA_CALL QuilloraAnswer(const char* argument, const char* kind, const char* group,
                                         const char* sender, const char* fifth);
const char* QUILLORA_CALL QuilloraVote(const char* argument, const char* kind, const char* group,
                                       const char* sender, const char* fifth);
const char* QUILLORA_CALL QuilloraSettle(const char* argument, const char* kind, const char* group,
                                         const char* sender, const char* fifth);
const char* QUILLORA_CALL QuilloraEnd(const char* argument, const char* kind, const char* group,
                                      const char* sender, const char* fifth);
const char* QUILLORA_CALL QuilloraNickname(const char* account, const char* group);
const char* QUILLORA_CALL QuilloraTextBetween(const char* text, const char* left,
                                              const char* right);
const char* QUILLORA_CALL QuilloraStripBlanks(const char* text);
const char* QUILLORA_CALL QuilloraDate();

}  // extern "C"

namespace quillora {

// What loading and unloading the DLL do; a host that links the plugin code (a test,
// the native simulator) calls them itself. Loading empties the result slots and fixes
// the run directory; unloading releases the slots, so every returned pointer dies.
void LoadPlugin(const Text& runDirectory);
void UnloadPlugin();

// The registration text that the host reads from the export info.
Text info();

}  // namespace quillora
