// The plugin as the host reaches it: its registration text and its handler exports,
// found by the export names that the registration text gives.
#pragma once

#include <string>

#include "boundary/exports.hpp"
#include "primitives/text.hpp"

namespace quillora::chat {

using InfoExport = const char*(QUILLORA_CALL*)();
using HandlerExport = const char*(QUILLORA_CALL*)(const char*, const char*, const char*,
                                                  const char*, const char*);

// Makes the plugin ready with runDirectory as its run directory and fixes the same run
// directory for the simulator's own file access. Natively the plugin code is linked in;
// on Windows Quillora.cqp.dll is loaded from the simulator's folder, which must then be
// runDirectory (the DLL takes the folder of the process executable, as under the host).
bool OpenPlugin(const Text& runDirectory, std::string* problem);

InfoExport FindInfo();
// The handler export of that (GBK) name, or null.
HandlerExport FindHandler(const Text& exportName);

// The folder that holds the simulator itself, as GBK text.
Text OwnFolder();

}  // namespace quillora::chat
