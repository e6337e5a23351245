// What the chat host does around the plugin: read the registration text, find the
// handler for a message, and show a reply the way a group member sees it.
#pragma once

#include <string>
#include <vector>

#include "primitives/text.hpp"

namespace quillora::chat {

// One registration record: ten fields, of which the host needs the keyword (field 5),
// the argument hint (6) and the handler export's name (8).
struct Registration {
  Text keyword;
  Text hint;
  Text exportName;
};

// Records are separated by "\r\n-----\r\n"; each is ten fields, each ending in CR LF.
// False, with the reason in *problem, when the text is not made that way.
bool ParseRegistration(const Text& info, std::vector<Registration>* records, std::string* problem);

// The longest registered keyword that begins the message, and the rest of the message
// as the argument text. registration is null when no keyword begins it.
struct KeywordMatch {
  const Registration* registration = nullptr;
  Text argument;
};
KeywordMatch MatchKeyword(const std::vector<Registration>& records, const Text& message);

// A face as UTF-8: an emoji for the faces the plugin uses, "[表情N]" otherwise.
std::string FaceText(int number);

// The reply as UTF-8 for the terminal: "[enter]" and CR LF as line breaks, "[bqN]" as a
// face and "[cqname]" as senderName (UTF-8). Markup is found after the conversion, so
// a GBK trail byte 0x5B is never taken for "[".
std::string RenderReply(const Text& reply, const std::string& senderName);

// The rendered reply cut into lines; the empty reply has none.
std::vector<std::string> ReplyLines(const std::string& rendered);

// How the host names an account in a group: the nickname that the sign-in plugin keeps
// in config\Kelvaro\<group>.ini (no web lookup), else the account itself. GBK.
Text DisplayName(const Text& group, const Text& account);
Text NicknameFilePath(const Text& group);

}  // namespace quillora::chat
