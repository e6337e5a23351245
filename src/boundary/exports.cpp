// The export procedure shared by all twelve exports: copy the arguments (null reads as
// the empty text), run the operation, keep its result in the export's slot until the
// export is called again.
#include "boundary/exports.hpp"

#include <mutex>

#include "game/handlers.hpp"
#include "link/link.hpp"
#include "names/nickname.hpp"
#include "primitives/platform.hpp"
#include "utility/text_utility.hpp"

namespace quillora {

namespace {

// One result slot per export, in the order of exports.list.
enum Slot {
  kInfoSlot,
  kLinkSlot,
  kJoinSlot,
  kStartSlot,
  kAnswerSlot,
  kVoteSlot,
  kSettleSlot,
  kEndSlot,
  kNicknameSlot,
  kTextBetweenSlot,
  kStripBlanksSlot,
  kDateSlot,
  kSlotCount
};

// Hosts may call on several threads; one export at a time keeps the read-modify-write
// sequences on the game files whole and a slot from being freed while it is refilled.
std::mutex exportLock;
Text slots[kSlotCount];

// What a handler with nothing to say returns: never null, never freed.
const char kEmptyReply[] = "";

Text Argument(const char* text) {
  return text != nullptr ? Text(text) : Text();
}

// Runs the operation under the lock and keeps its result. The previous result goes only
// after the new one exists, so an argument copied from it has been read by then. Nothing
// escapes to the host: a failure returns the empty reply (or null).
template <class Operation>
const char* Serve(Slot slot, bool nullForEmpty, Operation operation) noexcept {
  const char* const empty = nullForEmpty ? nullptr : kEmptyReply;
  try {
    const std::lock_guard<std::mutex> hold(exportLock);
    const NicknameCall call;  // a dead nickname endpoint holds the lock once per call
    Text result = operation();
    slots[slot].swap(result);
    return slots[slot].empty() ? empty : slots[slot].c_str();
  } catch (...) {
    return empty;
  }
}

void ReleaseSlots() {
  for (Text& slot : slots)
    Text().swap(slot);
}

}  // namespace

void LoadPlugin(const Text& runDirectory) {
  const std::lock_guard<std::mutex> hold(exportLock);
  ReleaseSlots();
  FixRunDirectory(runDirectory);
}

void UnloadPlugin() {
  const std::lock_guard<std::mutex> hold(exportLock);
  ReleaseSlots();
}

}  // namespace quillora

using quillora::Argument;
using quillora::Serve;

extern "C" {

const char* QUILLORA_CALL QuilloraInfo() {
  return Serve(quillora::kInfoSlot, false, [] { return quillora::info(); });
}

const char* QUILLORA_CALL QuilloraLink(const char* argument, const char* kind, const char* group,
                                       const char* sender, const char* fifth) {
  return Serve(quillora::kLinkSlot, false, [&] {
    return quillora::初始化配置(Argument(argument), Argument(kind), Argument(group),
                                Argument(sender), Argument(fifth));
  });
}

const char* QUILLORA_CALL QuilloraJoin(const char* argument, const char* kind, const char* group,
                                       const char* sender, const char* fifth) {
  return Serve(quillora::kJoinSlot, false, [&] {
    return quillora::Quillora(Argument(argument), Argument(kind), Argument(group), Argument(sender),
                              Argument(fifth));
  });
}

const char* QUILLORA_CALL QuilloraStart(const char* argument, const char* kind, const char* group,
                                        const char* sender, const char* fifth) {
  return Serve(quillora::kStartSlot, false, [&] {
    return quillora::start(Argument(argument), Argument(kind), Argument(group), Argument(sender),
                           Argument(fifth));
  });
}

const char* QUILLORA_CALL QuilloraAnswer(const char* argument, const char* kind, const char* group,
                                         const char* sender, const char* fifth) {
  return Serve(quillora::kAnswerSlot, false, [&] {
    return quillora::答案(Argument(argument), Argument(kind), Argument(group), Argument(sender),
                          Argument(fifth));
  });
}

const char* QUILLORA_CALL QuilloraVote(const char* argument, const char* kind, const char* group,
                                       const char* sender, const char* fifth) {
  return Serve(quillora::kVoteSlot, false, [&] {
    return quillora::投票(Argument(argument), Argument(kind), Argument(group), Argument(sender),
                          Argument(fifth));
  });
}

const char* QUILLORA_CALL QuilloraSettle(const char* argument, const char* kind, const char* group,
                                         const char* sender, const char* fifth) {
  return Serve(quillora::kSettleSlot, false, [&] {
    return quillora::投票结果(Argument(argument), Argument(kind), Argument(group), Argument(sender),
                              Argument(fifth));
  });
}

const char* QUILLORA_CALL QuilloraEnd(const char* argument, const char* kind, const char* group,
                                      const char* sender, const char* fifth) {
  return Serve(quillora::kEndSlot, false, [&] {
    return quillora::结束游戏(Argument(argument), Argument(kind), Argument(group), Argument(sender),
                              Argument(fifth));
  });
}

const char* QUILLORA_CALL QuilloraNickname(const char* account, const char* group) {
  return Serve(quillora::kNicknameSlot, false,
               [&] { return quillora::获取QQ昵称(Argument(account), Argument(group)); });
}

const char* QUILLORA_CALL QuilloraTextBetween(const char* text, const char* left,
                                              const char* right) {
  return Serve(quillora::kTextBetweenSlot, true, [&] {
    return quillora::取文本之间(Argument(text), Argument(left), Argument(right));
  });
}

const char* QUILLORA_CALL QuilloraStripBlanks(const char* text) {
  return Serve(quillora::kStripBlanksSlot, true,
               [&] { return quillora::去空格换行(Argument(text)); });
}

const char* QUILLORA_CALL QuilloraDate() {
  return Serve(quillora::kDateSlot, false, [] { return quillora::时间格式化(); });
}

}  // extern "C"
