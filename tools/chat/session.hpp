// A group chat with the plugin, line by line, as `play` types it and `run` reads it:
//
//   10001: @Quillora        the member 10001 sends "@Quillora" (and becomes the sender)
//   @Quillora               the current sender sends it
//   /group 2002             switch to another group
//   /as 10002               switch to another sender
//   # ...                   a comment
//
// A script for `run` can say what it expects after any line; the lines of the output
// (the rendered reply, or what a command printed) must then match one for one:
//
//   > text                  the next output line is exactly text (">" alone: empty line)
//   >~ regex                the next output line matches the regex as a whole
//   >silent                 the line gets no reply and prints nothing
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "chat/host.hpp"
#include "primitives/text.hpp"

namespace quillora::chat {

struct ChatOptions {
  bool raw = false;           // replies as the plugin's bytes, markup and all
  bool echoMessages = true;   // print "name: message" before the reply
  bool echoComments = false;  // print the script's comments (the demo's narration)
  bool showSilence = false;   // say so when a message gets no reply
};

struct Chat {
  std::vector<Registration> registrations;
  Text group = "2002";  // GBK, as the host passes it
  Text sender = "10001";
  ChatOptions options;
};

// Reads the registration text from the plugin (OpenPlugin must have been called).
bool StartChat(Chat* chat, std::string* problem);

// Sends one message (GBK) from the current sender in the current group as the host
// does; the reply as the plugin returned it, the empty text for no reply.
Text SendToPlugin(const Chat& chat, const Text& message, std::string* problem);

struct LineResult {
  bool quit = false;
  bool failed = false;  // an unknown command, a missing export, ...; output says why
  std::string output;   // UTF-8: the rendered reply or the command's output
};
// Handles one line (UTF-8) and prints it and its outcome to out.
LineResult HandleLine(Chat& chat, const std::string& line, std::ostream& out);

struct Expectation {
  enum class Kind { kLine, kPattern, kSilent };
  Kind kind = Kind::kLine;
  std::string text;
  int lineNumber = 0;
};
bool IsExpectationLine(const std::string& line);
// False, with the reason, for a line that begins with ">" but has no known form.
bool ParseExpectation(const std::string& line, Expectation* expectation, std::string* problem);
// The empty text when output meets the expectations, else what differs.
std::string UnmetExpectations(const std::string& output,
                              const std::vector<Expectation>& expectations);

struct ScriptSummary {
  int expectations = 0;
  int unmet = 0;
  int errors = 0;  // malformed lines and failed commands
};
// Runs a whole script, printing the transcript and every mismatch to out.
ScriptSummary RunScript(Chat& chat, std::istream& script, std::ostream& out);

// Reads lines until the end of input or "/quit"; prompt: show "name> " before each.
void Play(Chat& chat, std::istream& in, std::ostream& out, bool prompt);

}  // namespace quillora::chat
