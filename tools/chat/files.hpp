// Files of a run directory as the simulator touches them. Paths are GBK texts with "\"
// separators, built exactly as the plugin builds them, so the simulator looks where the
// plugin looks: on Windows through the ANSI code page, natively through the path
// mapping of the plugin's POSIX stand-in.
#pragma once

#include <filesystem>

#include "primitives/text.hpp"

namespace quillora::chat {

std::filesystem::path FsPath(const Text& path);
// A file-system path as GBK text (a folder given on the command line); false when the
// path holds a character that GBK lacks, which the plugin could not name.
bool TextPath(const std::filesystem::path& path, Text* text);

// The path up to its last "\" (a "\" that begins a character: a GBK trail byte can be
// 0x5C); the empty text when there is none.
Text ParentFolder(const Text& path);

bool FileExists(const Text& path);
bool FolderExists(const Text& path);
// The whole file; false when it cannot be read.
bool ReadFileBytes(const Text& path, Bytes* content);
// Replaces the file whole through a temporary file in the same folder.
bool WriteFileBytes(const Text& path, const Bytes& content);
bool MakeFolders(const Text& path);
bool CopyFileTo(const Text& from, const Text& to);

}  // namespace quillora::chat
