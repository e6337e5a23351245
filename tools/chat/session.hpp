// A group chat with the plugin, line by line, as `play` types it and `run` reads it:
//
//   10001: @Quillora        the member 10001 sends "@Quillora" (and becomes the sender)
//   @Quillora               the current sender sends it
//   /group 2002             switch to another group
//   /as 10002               switch to another sender
//   /send 10001: a\r\nb     send a message that a line cannot hold, written with
//                           escapes: \r \n \\, \xHH (the byte HH as it is, not
//                           converted) and \*N{TEXT} (TEXT N times, escapes inside)
//   /section 2002           show the lines of every section [2002] in
//                           config\Quillora.ini as the file holds them (blank lines
//                           aside), in the same escapes for what is not plain GBK text
//   # ...                   a comment
//
// A script for `run` can say what it expects after any line; the lines of the output
// (the rendered reply, or what a command printed) must then match one for one:
//
//   > text                  the next output line is exactly text (">" alone: empty line)
//   >\ text                 the same, with the escapes of /send (a 10 KB line is short)
//   >~ regex                the next output line matches the regex as a whole (keep
//                           regexes for short lines: std::regex recurses per character)
//   >silent                 the line gets no reply and prints nothing
#pragma once

#include <iosfwd>
#include <string>
#include <string_view>
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

// The bytes that a text with escapes stands for: "\\", "\r", "\n", "\xHH" (two hex
// digits: that byte, never converted) and "\*N{TEXT}" (TEXT, which may hold escapes,
// N times). The rest is UTF-8, converted to GBK when toGbk is set ("?" for characters
// that GBK lacks, and then *lossless is false). False, with the reason, for a malformed
// escape or a result over 1 MiB.
bool DecodeEscapes(std::string_view text, bool toGbk, std::string* bytes, std::string* problem,
                   bool* lossless = nullptr);

// A GBK text shown as UTF-8 in the escapes that DecodeEscapes reads: "\\" for "\", and
// "\xHH" for control bytes and for every byte that is not part of a GBK character that
// both Windows and iconv map to Unicode, so that nothing of the bytes is hidden.
std::string EscapedText(std::string_view gbk);

// The lines of every section named name (ASCII case and blanks around it aside, as the
// profile files match names) in the bytes of a profile file, each section from its
// section line on, shown by EscapedText. A line ends at CR LF, or at a lone CR or LF
// as profile readers take it, which is then shown as "\r" or "\n" at its end. Blank
// lines are left out, as profile readers skip them (and Wine drops them on saving).
std::vector<std::string> SectionLines(std::string_view file, std::string_view name);

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
