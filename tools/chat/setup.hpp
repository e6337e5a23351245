// A ready run directory for trying the plugin out: folders, the sample question banks
// and a chat script that links the sign-in plugin and gives three players nicknames
// and balances. The demo then plays a whole round on it.
#pragma once

#include <string>

#include "primitives/text.hpp"

namespace quillora::chat {

// The sample files from data/ with LF line ends, GBK: the question banks (one question
// per line) and the example settings file that the bundle ships.
const char* TruthBank();
const char* DareBank();
const char* ExampleSettings();

// The text with CR LF line ends, as the plugin's files have them.
Bytes CrLfText(const Text& text);
// A question file as the plugin reads it: CR LF after every line, no empty lines.
Bytes QuestionFileBytes(const Text& lines);

// Folders "config" and "plugin" with the example settings and the two question files
// below the plugin's run directory (RunDirectory(), fixed by OpenPlugin). The folder
// must be empty or new, so that no operator's data is ever overwritten.
bool PrepareRunDirectory(std::string* problem);

// UTF-8 chat scripts: the setup (endpoint off the network, link, nicknames, balances)
// and the demo's round with its narration.
const char* SetupScript();
const char* DemoScript();

}  // namespace quillora::chat
