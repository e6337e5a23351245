// Whole games through the exports, as chat members drive them: any sequence of
// keywords from a handful of accounts in a few groups, with arguments that may hold
// line breaks, "[", "]", "=", "|", GBK and stray high bytes. After every call the game
// file must still be a clean profile file whose rounds add up, and nothing may have
// moved that the call had no business moving.
//
// Input: one flags byte, then messages parted by zero bytes. A message is a command
// byte (J join, S start, A answer, V vote, R result, E end, L link; any other byte
// picks one by its value), a group byte and an account byte (each taken modulo the
// number of groups or accounts, so "0", "1", ... name them in order), and the argument.
// Flags: 1 starts without the five settings, 2 leaves account "2" too poor to join,
// 4 empties the truth file and removes the dare file.
#include <stdlib.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>

#include "boundary/exports.hpp"
#include "fuzz_support.hpp"
#include "game/game_file.hpp"
#include "link/link.hpp"
#include "names/nickname.hpp"
#include "primitives/posix_path.hpp"
#include "primitives/profile_file.hpp"

namespace {

using quillora::Bytes;
using quillora::Text;
using quillora::TextList;
using quillora::fuzz::Shown;

// Account numbers that lie inside one another, so that a substring test would mix them up.
const Text kAccounts[] = {"10001", "234", "12345", "2", "10002", "1000"};
const Text kGroups[] = {"1001", "1002", "100"};
constexpr size_t kLongestArgument = 20480;
constexpr size_t kMostMessages = 64;
constexpr size_t kLongestValue = 10239;
// A closed port: nickname lookups that reach the web fail at once.
constexpr char kDeadEndpoint[] = "127.0.0.1:9";

enum Command { kJoin, kStart, kAnswer, kVote, kResult, kEnd, kLink, kCommandCount };
constexpr char kCommandLetters[] = "JSAVREL";

// A fresh run directory, on /dev/shm where there is one, removed at exit. Its name
// lives in a static array, which outlasts every exit handler.
const char* RunDirectory() {
  static char shm[] = "/dev/shm/quillora-game-fuzz-XXXXXX";
  static char tmp[] = "/tmp/quillora-game-fuzz-XXXXXX";
  static const char* dir = nullptr;
  if (dir == nullptr) {
    dir = mkdtemp(shm);
    if (dir == nullptr) dir = mkdtemp(tmp);
    FUZZ_CHECK(dir != nullptr, "mkdtemp");
    std::atexit([] { std::filesystem::remove_all(dir); });
    for (const char* sub : {"/config", "/config/Kelvaro", "/plugin", "/sign"})
      std::filesystem::create_directories(std::string(dir) + sub);
  }
  return dir;
}

std::string OnDisk(const Text& relative) {
  return quillora::NativePath(RunDirectory() + relative);
}

Bytes FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return "<missing>";
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string& path, const Bytes& content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
}

Text SignInFile(const Text& group) {
  return "\\sign\\" + group + ".ini";
}
Text NicknameFile(const Text& group) {
  return "\\config\\Kelvaro\\" + group + ".ini";
}

void PrepareRunDirectory(uint8_t flags) {
  Bytes settings = Text("[") + quillora::kSettingsSection + "]\r\n" +
                   quillora::kNicknameEndpointKey + "=" + kDeadEndpoint + "\r\n";
  if ((flags & 1) == 0) {
    settings += Text(quillora::kCurrencyNameKey) + "=水晶币\r\n" + quillora::kMeasureWordKey +
                "=个\r\n" + quillora::kPenaltyKey + "=10\r\n[" + quillora::kLinkSection + "]\r\n" +
                quillora::kPathTemplateKey + "=sign\\群号.ini\r\n" + quillora::kBalanceKeyKey +
                "=群币数量\r\n";
  }
  WriteFile(OnDisk("\\config\\Quillora.ini"), settings);
  for (const Text& group : kGroups) {
    Bytes balances;
    for (const Text& account : kAccounts) {
      const bool poor = (flags & 2) != 0 && account == "2";
      balances += "[" + account + "]\r\n群币数量=" + (poor ? "5" : "1000000") + "\r\n";
    }
    WriteFile(OnDisk(SignInFile(group)), balances);
    // Two players have nicknames on file; the others are looked up on the web.
    WriteFile(OnDisk(NicknameFile(group)), "[10001]\r\n昵称=Ann\r\n[234]\r\n昵称=[Bo]|=\r\n");
  }
  const bool noFiles = (flags & 4) != 0;
  WriteFile(OnDisk("\\plugin\\真心话.txt"),
            noFiles ? "" : "你最怕什么？\r\n最近一次说谎是什么时候？");
  const std::string dares = OnDisk("\\plugin\\大冒险.txt");
  if (noFiles) {
    std::filesystem::remove(dares);
  } else {
    WriteFile(dares, "唱一首歌\r\n学猫叫\r\n");
  }
}

// The game file taken apart line by line, strictly: every line ends with CR LF and is a
// section line or an entry; only the settings may carry the note lines that the link
// command writes. Anything else is a file that a chat message has broken.
struct Section {
  Text bytes;  // the section line and its lines, as they stand in the file
  std::map<Text, Text> entries;
};
using GameFile = std::map<Text, Section>;

bool IsSettings(const Text& name) {
  return name == quillora::kSettingsSection || name == quillora::kLinkSection;
}

GameFile ParseGameFile(const Bytes& file) {
  FUZZ_CHECK(file.empty() || (file.size() >= 2 && file.compare(file.size() - 2, 2, "\r\n") == 0),
             "file " + Shown(file));
  GameFile parsed;
  Section* current = nullptr;
  Text name;
  for (size_t begin = 0; begin < file.size();) {
    const size_t end = file.find("\r\n", begin);
    const Text line = file.substr(begin, end - begin);
    begin = end + 2;
    FUZZ_CHECK(line.find_first_of("\r\n") == Text::npos, "line " + Shown(line));
    if (!line.empty() && line.front() == '[' && line.back() == ']') {
      name = line.substr(1, line.size() - 2);
      FUZZ_CHECK(parsed.count(name) == 0, "a second section " + Shown(name));
      current = &parsed[name];
      current->bytes = line + "\r\n";
      continue;
    }
    FUZZ_CHECK(current != nullptr, "a line before the first section: " + Shown(line));
    current->bytes += line + "\r\n";
    const size_t equals = line.find('=');
    if (equals == Text::npos) {
      FUZZ_CHECK(IsSettings(name) && (line.empty() || line.front() == '#'),
                 "section " + Shown(name) + " line " + Shown(line));
      continue;
    }
    const Text key = line.substr(0, equals);
    FUZZ_CHECK(current->entries.count(key) == 0 || IsSettings(name), "a second key " + Shown(line));
    current->entries.emplace(key, line.substr(equals + 1));
  }
  return parsed;
}

// A group's round as the file holds it.
struct Round {
  int phase = -1;  // -1: no section
  TextList joined;
  TextList answered;
  TextList voters;
  TextList punished;
  std::vector<int64_t> votes;  // of answer records 1 to n
};

TextList Accounts(const Section& section, const char* key) {
  const auto entry = section.entries.find(key);
  if (entry == section.entries.end()) return {};
  const TextList list = quillora::SplitOn(entry->second, "|");
  for (size_t i = 0; i < list.size(); ++i) {
    FUZZ_CHECK(
        std::find(std::begin(kAccounts), std::end(kAccounts), list[i]) != std::end(kAccounts),
        Text(key) + " holds " + Shown(list[i]));
    FUZZ_CHECK(std::find(list.begin(), list.begin() + static_cast<ptrdiff_t>(i), list[i]) ==
                   list.begin() + static_cast<ptrdiff_t>(i),
               Text(key) + " holds " + list[i] + " twice");
  }
  return list;
}

// A count stored beside its list: missing only when the list is, and equal to its length.
void CheckCount(const Section& section, const char* countKey, size_t members) {
  const auto entry = section.entries.find(countKey);
  const Text expected = members == 0 ? Text() : quillora::NumberText(static_cast<int32_t>(members));
  FUZZ_CHECK((entry == section.entries.end() ? Text() : entry->second) == expected,
             Text(countKey) + " against " + std::to_string(members) + " members");
}

bool Within(const TextList& part, const TextList& whole) {
  return std::all_of(part.begin(), part.end(), [&](const Text& account) {
    return std::find(whole.begin(), whole.end(), account) != whole.end();
  });
}

Round ReadRound(const Bytes& file, const GameFile& game, const Text& group) {
  Round round;
  const auto found = game.find(group);
  if (found == game.end()) return round;
  const Section& section = found->second;
  // Failure details are put together only when a check fails.
  const auto where = [&] { return "group " + group + "\n" + Shown(section.bytes); };

  // The plugin's own reader sees every value as it stands, whole.
  for (const auto& [key, value] : section.entries) {
    FUZZ_CHECK(value.size() <= kLongestValue, where());
    FUZZ_CHECK(quillora::ProfileLookup(file, group, key) == value, where() + "\nkey " + key);
  }
  const auto phase = section.entries.find(quillora::kPhaseKey);
  round.phase = phase == section.entries.end() ? 0 : phase->second == "1" ? 1 : 2;
  FUZZ_CHECK(phase == section.entries.end() || phase->second == "1" || phase->second == "2",
             where());

  round.joined = Accounts(section, quillora::kJoinedListKey);
  round.answered = Accounts(section, quillora::kAnsweredListKey);
  round.voters = Accounts(section, quillora::kVotersKey);
  round.punished = Accounts(section, quillora::kPunishedKey);
  CheckCount(section, quillora::kJoinedCountKey, round.joined.size());
  CheckCount(section, quillora::kAnswerCountKey, round.answered.size());
  CheckCount(section, quillora::kVoteCountKey, round.voters.size());
  FUZZ_CHECK(Within(round.answered, round.joined), where());
  FUZZ_CHECK(Within(round.voters, round.answered), where());
  FUZZ_CHECK(Within(round.punished, round.answered), where());

  // Record i belongs to the i-th player who answered; there are no others.
  size_t records = 0;
  int64_t votesCast = 0;
  for (const auto& [key, value] : section.entries) {
    if (key.find_first_not_of("0123456789") != Text::npos) continue;
    ++records;
    const auto number = static_cast<size_t>(std::stoul(key));
    FUZZ_CHECK(number >= 1 && number <= round.answered.size() &&
                   key == quillora::NumberText(static_cast<int32_t>(number)),
               where() + "\nrecord " + key);
    const quillora::AnswerRecord record = quillora::ReadAnswerRecord(value);
    FUZZ_CHECK(record.usable && record.author == round.answered[number - 1] &&
                   !record.answer.empty() && !record.votes.empty() &&
                   record.votes.find_first_not_of("0123456789") == Text::npos &&
                   record.votes.size() <= 10,
               where() + "\nrecord " + key);
    round.votes.resize(std::max(round.votes.size(), number));
    round.votes[number - 1] = std::stoll(record.votes);
    votesCast += round.votes[number - 1];
  }
  FUZZ_CHECK(records == round.answered.size(), where());
  FUZZ_CHECK(votesCast == static_cast<int64_t>(round.voters.size()), where());
  // An author is marked for punishment once the answer has three tenths of the answers'
  // number in votes, and only then.
  for (size_t i = 0; i < round.votes.size(); ++i) {
    const bool reached =
        static_cast<double>(round.votes[i]) - static_cast<double>(round.answered.size()) * 0.3 >=
        -0.0000001;
    const bool marked = std::find(round.punished.begin(), round.punished.end(),
                                  round.answered[i]) != round.punished.end();
    FUZZ_CHECK(reached == marked, where() + "\nrecord " + std::to_string(i + 1));
  }

  switch (round.phase) {
    case 0:
      FUZZ_CHECK(round.answered.empty() && round.voters.empty() && round.punished.empty(), where());
      break;
    case 1:
      FUZZ_CHECK(round.joined.size() >= 3 && round.answered.size() < round.joined.size(), where());
      FUZZ_CHECK(round.voters.empty() && round.punished.empty(), where());
      break;
    default:
      FUZZ_CHECK(round.answered.size() == round.joined.size(), where());
  }
  return round;
}

struct Snapshot {
  Bytes file;
  GameFile game;
  std::map<Text, Bytes> groupFiles;  // sign-in and nickname files, by group
  std::map<Text, Round> rounds;
};

Snapshot Take() {
  Snapshot snapshot;
  snapshot.file = FileBytes(OnDisk("\\config\\Quillora.ini"));
  snapshot.game = ParseGameFile(snapshot.file);
  for (const Text& group : kGroups) {
    snapshot.groupFiles[group] =
        FileBytes(OnDisk(SignInFile(group))) + FileBytes(OnDisk(NicknameFile(group)));
    snapshot.rounds[group] = ReadRound(snapshot.file, snapshot.game, group);
  }
  return snapshot;
}

bool Grew(const TextList& before, const TextList& after, const Text& account) {
  TextList expected = before;
  expected.push_back(account);
  return after == expected;
}

// What one call may have changed, against the snapshot before it.
void CheckCall(Command command, const Text& group, const Text& sender, const Snapshot& before,
               const Snapshot& after) {
  const auto what = [&] {
    return "command " + std::string(1, kCommandLetters[command]) + " group " + group + " sender " +
           sender + "\nbefore " + Shown(before.file) + "\nafter " + Shown(after.file);
  };
  for (const auto& [name, section] : after.game) {
    FUZZ_CHECK(IsSettings(name) ||
                   std::find(std::begin(kGroups), std::end(kGroups), name) != std::end(kGroups),
               "section " + Shown(name) + "\n" + what());
  }
  const auto sectionBytes = [](const Snapshot& snapshot, const Text& name) {
    const auto found = snapshot.game.find(name);
    return found == snapshot.game.end() ? Text("<none>") : found->second.bytes;
  };
  for (const char* name : {quillora::kSettingsSection, quillora::kLinkSection}) {
    FUZZ_CHECK(command == kLink || sectionBytes(before, name) == sectionBytes(after, name), what());
  }

  for (const Text& other : kGroups) {
    const Round& was = before.rounds.at(other);
    const Round& is = after.rounds.at(other);
    if (other != group || command == kLink) {
      FUZZ_CHECK(sectionBytes(before, other) == sectionBytes(after, other), what());
      FUZZ_CHECK(before.groupFiles.at(other) == after.groupFiles.at(other), what());
      continue;
    }
    // Balances change only when a round is settled.
    const bool settled = command == kResult && was.phase == 2 && is.phase == -1;
    FUZZ_CHECK(settled || before.groupFiles.at(other) == after.groupFiles.at(other), what());

    const bool unchanged = sectionBytes(before, other) == sectionBytes(after, other);
    bool allowed = unchanged;
    if (was.phase == is.phase || (was.phase == -1 && is.phase == 0)) {
      if (!unchanged && command == kJoin && is.phase == 0) {
        allowed = Grew(was.joined, is.joined, sender);
      } else if (!unchanged && command == kAnswer && is.phase == 1) {
        allowed = Grew(was.answered, is.answered, sender);
      } else if (!unchanged && command == kVote && is.phase == 2) {
        allowed = Grew(was.voters, is.voters, sender);
      }
    } else if (was.phase == 0 && is.phase == 1) {
      // Starting writes the phase and nothing else.
      allowed = command == kStart && sectionBytes(after, other) == sectionBytes(before, other) +
                                                                       quillora::kPhaseKey +
                                                                       "=1\r\n";
    } else if (was.phase == 1 && is.phase == 2) {
      allowed = command == kAnswer && Grew(was.answered, is.answered, sender);
    } else if (is.phase == -1) {
      allowed = (was.phase == 1 && command == kEnd) ||
                (was.phase == 2 && (command == kEnd || command == kResult));
    } else {
      allowed = false;
    }
    FUZZ_CHECK(allowed, "phase " + std::to_string(was.phase) + " to " + std::to_string(is.phase) +
                            "\n" + what());
  }
}

using Export = const char* (*)(const char*, const char*, const char*, const char*, const char*);
const Export kExports[kCommandCount] = {QuilloraJoin,   QuilloraStart, QuilloraAnswer, QuilloraVote,
                                        QuilloraSettle, QuilloraEnd,   QuilloraLink};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint8_t flags = data[0];
  quillora::LoadPlugin(RunDirectory());
  PrepareRunDirectory(flags);

  Snapshot before = Take();
  const auto messages = quillora::fuzz::Pieces(data + 1, size - 1, kMostMessages);
  for (const std::string_view message : messages) {
    const auto byteAt = [&](size_t i) {
      return i < message.size() ? static_cast<unsigned char>(message[i]) : 0u;
    };
    const char* letter = std::strchr(kCommandLetters, static_cast<char>(byteAt(0)));
    const auto command = static_cast<Command>(
        letter != nullptr && byteAt(0) != 0 ? letter - kCommandLetters : byteAt(0) % kCommandCount);
    const Text& group = kGroups[byteAt(1) % std::size(kGroups)];
    const Text& sender = kAccounts[byteAt(2) % std::size(kAccounts)];
    const Text argument(message.substr(std::min<size_t>(message.size(), 3), kLongestArgument));

    const char* reply = kExports[command](argument.empty() ? nullptr : argument.c_str(), "2",
                                          group.c_str(), sender.c_str(), nullptr);
    FUZZ_CHECK(reply != nullptr, "a null reply");
    FUZZ_CHECK(std::strlen(reply) < (1u << 20), "a reply of a megabyte");

    Snapshot after = Take();
    CheckCall(command, group, sender, before, after);
    before = std::move(after);
  }
  quillora::UnloadPlugin();
  return 0;
}
