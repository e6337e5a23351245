// The operations that reach outside the plugin: the run directory, profile files,
// whole files, randomness, the clock and one HTTP GET. One implementation per
// platform: platform_windows.cpp (the DLL, real Windows calls) and the *_posix.cpp
// files (the native build used for tests, fuzzing and the local chat simulator).
#pragma once

#include <cstdint>

#include "primitives/text.hpp"

namespace quillora {

// The folder of the host executable, without a trailing "\". Fixed when the plugin
// is loaded; a host without a loader (a test, the simulator) fixes it itself.
// Until it is fixed, it is the folder of the process executable.
Text RunDirectory();
void FixRunDirectory(const Text& directory);
// The folder of the process executable (its path cut before the last separator), what
// the loader fixes as the run directory.
Text ExecutableFolder();

// Profile files, with the rules of the Windows profile functions. Paths use "\".
Text ReadProfile(const Text& file, const Text& section, const Text& key);
void WriteProfile(const Text& file, const Text& section, const Text& key, const Text& value);
void DeleteSection(const Text& file, const Text& section);

// The whole file, or empty bytes when it cannot be read.
Bytes ReadWholeFile(const Text& path);

// Milliseconds since the system started, wrapping at 32 bits.
uint32_t TickCount();

void SeedRandom();
int32_t RandomBetween(int32_t low, int32_t high);

struct DateTime {
  int year = 0;
  int month = 0;
  int day = 0;
  int hour = 0;
  int minute = 0;
  int second = 0;
};
DateTime Now();
Text DateText(const DateTime& dateTime);

// The body of a GET request, or empty bytes; gives up after 5 seconds in all. When
// timedOut is given, it tells whether the fetch ran into that bound (a server that
// accepts and then stays silent) rather than ending by itself or failing fast.
Bytes FetchUrl(const Text& url, bool* timedOut = nullptr);

}  // namespace quillora
