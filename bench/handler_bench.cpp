// How long a handler call takes when the game file also holds other groups' rounds,
// how long a whole five-player round takes, and how long a reply waits on a nickname
// endpoint that never answers. Files are read afresh at every call, so the cost of a
// call follows the size of the game file.
//
//   quillora_bench [benchmark options]       the benchmarks (docs/performance.md)
//   quillora_bench --make-run-directory DIR N
//                                            a run directory whose game file holds N
//                                            other rounds, for timing the DLL under Wine
//                                            (bench/wine-round)
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "boundary/exports.hpp"
#include "http_server.hpp"
#include "run_directory.hpp"

namespace {

using quillora::Bytes;
using quillora::Text;
using quillora::testing::WriteFileBytes;

constexpr char kGroup[] = "1001";
const char* const kPlayers[] = {"10001", "10002", "10003", "10004", "10005"};
const int64_t kOtherRounds[] = {0, 100, 1000, 10000};

Text Settings(const Text& endpoint) {
  return "[Quillora路径]\r\n路径=config\\Kelvaro\\群号.ini\r\n群币=财富\r\n"
         "[Quillora]\r\n群币名称=水晶币\r\n群币单位=个\r\n惩罚金额=10\r\n昵称接口=" +
         endpoint + "\r\n";
}

Text Joined(size_t count) {
  Text list;
  for (size_t i = 0; i < count; ++i)
    list += (i > 0 ? "|" : "") + Text(kPlayers[i]);
  return list;
}

// Group 1001 in a given state: players joined, answers given, votes cast.
Text Round(size_t joined, int phase, size_t answers, size_t votes) {
  Text text = "[" + Text(kGroup) + "]\r\n参加人数=" + std::to_string(joined) +
              "\r\n参加人员=" + Joined(joined) + "\r\n";
  if (phase > 0) text += "流程=" + std::to_string(phase) + "\r\n";
  if (answers > 0) {
    text += "描述人员=" + Joined(answers) + "\r\n描述人数=" + std::to_string(answers) + "\r\n";
    for (size_t i = 0; i < answers; ++i) {
      text += std::to_string(i + 1) + "=" + kPlayers[i] + "|我最怕黑，小时候停电吓哭了|" +
              (i == 1 ? std::to_string(votes) : "0") + "\r\n";
    }
  }
  if (votes > 0) {
    text += "投票人员=" + Joined(votes) + "\r\n投票人数=" + std::to_string(votes) +
            "\r\n惩罚人员=" + kPlayers[1] + "\r\n";
  }
  return text;
}

// count finished-looking rounds of other groups: five players, five answers, two votes.
const Text& OtherRounds(int64_t count) {
  static std::map<int64_t, Text> made;
  Text& text = made[count];
  if (!text.empty() || count == 0) return text;
  for (int64_t g = 0; g < count; ++g) {
    const Text players = "30001|30002|30003|30004|30005";
    text += "[" + std::to_string(2000000 + g) + "]\r\n参加人数=5\r\n参加人员=" + players +
            "\r\n流程=2\r\n描述人员=" + players + "\r\n描述人数=5\r\n";
    for (int i = 1; i <= 5; ++i) {
      text += std::to_string(i) + "=3000" + std::to_string(i) + "|最近一次说谎是昨天晚上|" +
              (i == 3 ? "2" : "0") + "\r\n";
    }
    text += "投票人员=30001|30002\r\n投票人数=2\r\n惩罚人员=30003\r\n";
  }
  return text;
}

// A run directory below $TMPDIR (or /tmp) with the players' nicknames and balances, the two game
// text files and the settings, removed at exit.
class Bench {
 public:
  // Never destroyed: the exit handler that removes the folder still needs its name.
  static Bench& Get() {
    static Bench* const bench = new Bench;
    return *bench;
  }
  const Text& dir() const { return dir_; }
  Text GameFile() const { return dir_ + "\\config\\Quillora.ini"; }

  // The folders and the two game text files.
  static void Make(const Text& dir) {
    for (const char* sub : {"/config", "/config/Kelvaro", "/plugin"})
      std::filesystem::create_directories(dir + sub);
    WriteFileBytes(dir + "\\plugin\\真心话.txt", "你最怕什么？\r\n最近一次说谎是什么时候？\r\n");
    WriteFileBytes(dir + "\\plugin\\大冒险.txt", "学猫叫三声\r\n唱一首歌\r\n");
  }

  // The nicknames from the file, or, without it, from the endpoint alone.
  void NicknamesOnFile(bool onFile) {
    Text players;
    for (const char* account : kPlayers) {
      players += Text("[") + account + "]\r\n";
      if (onFile) players += Text("昵称=P") + account + "\r\n";
      players += "财富=1000000000\r\n";
    }
    WriteFileBytes(dir_ + "\\config\\Kelvaro\\" + kGroup + ".ini", players);
  }

 private:
  Bench() {
    const char* base = std::getenv("TMPDIR");
    std::string folder =
        std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/quillora-bench-XXXXXX";
    if (mkdtemp(folder.data()) == nullptr) std::abort();
    dir_ = folder;
    Make(dir_);
    std::atexit([] {
      quillora::UnloadPlugin();
      std::filesystem::remove_all(Get().dir_);
    });
    quillora::LoadPlugin(dir_);
  }
  Text dir_;
};

using Export = const char* (*)(const char*, const char*, const char*, const char*, const char*);

// One handler call on a given state of group 1001, which stands after the others.
struct Case {
  const char* name;
  Text state;
  Export handler;
  const char* sender;
  const char* argument;
  const char* replyStart;  // how a successful reply begins
};

std::vector<Case> Cases() {
  return {
      {"join", Round(4, 0, 0, 0), QuilloraJoin, kPlayers[4], nullptr, "[bq57]"},
      {"start", Round(5, 0, 0, 0), QuilloraStart, kPlayers[0], nullptr, "[bq23]"},
      {"answer", Round(5, 1, 4, 0), QuilloraAnswer, kPlayers[4], "我怕蛇", "[bq81]"},
      {"vote", Round(5, 2, 5, 0), QuilloraVote, kPlayers[0], "2", "[bq108]"},
      {"result", Round(5, 2, 5, 3), QuilloraSettle, kPlayers[0], nullptr, "[bq99]"},
      {"end", Round(5, 1, 2, 0), QuilloraEnd, kPlayers[0], nullptr, "游戏已结束"},
      {"link", "", QuilloraLink, kPlayers[0], "Tovik", "Tovik"},
  };
}

void HandlerCall(benchmark::State& state, const Case& call) {
  Bench& bench = Bench::Get();
  bench.NicknamesOnFile(true);
  const Bytes file = Settings("127.0.0.1:9") + OtherRounds(state.range(0)) + call.state;
  for (auto _ : state) {
    state.PauseTiming();
    WriteFileBytes(bench.GameFile(), file);
    state.ResumeTiming();
    const char* reply = call.handler(call.argument, "2", kGroup, call.sender, nullptr);
    if (std::strncmp(reply, call.replyStart, std::strlen(call.replyStart)) != 0) {
      state.SkipWithError("the call did not take its successful path");
      break;
    }
  }
  // The cost is weighed against the size of the game file, which every call reads.
  state.SetComplexityN(static_cast<int64_t>(file.size()));
  state.counters["game_file_KB"] = static_cast<double>(file.size()) / 1024;
}

// A whole round of five: five joins, start, five answers, five votes and the result.
void WholeRound(benchmark::State& state) {
  Bench& bench = Bench::Get();
  bench.NicknamesOnFile(true);
  const Bytes file = Settings("127.0.0.1:9") + OtherRounds(state.range(0));
  for (auto _ : state) {
    state.PauseTiming();
    WriteFileBytes(bench.GameFile(), file);
    state.ResumeTiming();
    for (const char* player : kPlayers)
      QuilloraJoin(nullptr, "2", kGroup, player, nullptr);
    QuilloraStart(nullptr, "2", kGroup, kPlayers[0], nullptr);
    for (const char* player : kPlayers)
      QuilloraAnswer("我怕黑", "2", kGroup, player, nullptr);
    for (const char* player : kPlayers)
      QuilloraVote("1", "2", kGroup, player, nullptr);
    if (std::strncmp(QuilloraSettle(nullptr, "2", kGroup, kPlayers[0], nullptr), "[bq99]", 6) !=
        0) {
      state.SkipWithError("the round was not settled");
      break;
    }
  }
  state.SetComplexityN(static_cast<int64_t>(file.size()));
  state.counters["calls"] = 17;
}

// The roster of five that the fifth join lists, no nickname on file, with an endpoint
// that accepts the connection and never answers: the first lookup is cut off at the
// bound and the other four of the call give up without asking.
void DeadEndpoint(benchmark::State& state) {
  Bench& bench = Bench::Get();
  quillora::testing::LocalHttpServer server;
  server.Silent(true);
  bench.NicknamesOnFile(false);
  const Bytes file = Settings(server.HostAndPort()) + Round(4, 0, 0, 0);
  double longest = 0;
  for (auto _ : state) {
    state.PauseTiming();
    WriteFileBytes(bench.GameFile(), file);
    state.ResumeTiming();
    const auto begin = std::chrono::steady_clock::now();
    const char* reply = QuilloraJoin(nullptr, "2", kGroup, kPlayers[4], nullptr);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - begin;
    longest = std::max(longest, took.count());
    if (std::strncmp(reply, "[bq57]", 6) != 0) {
      state.SkipWithError("the fifth player did not join");
      break;
    }
  }
  state.counters["lookups"] = 5;
  state.counters["requests"] =
      static_cast<double>(server.Requests().size()) / static_cast<double>(state.iterations());
  state.counters["longest_s"] = longest;
  bench.NicknamesOnFile(true);
}

void Register() {
  for (const Case& call : Cases()) {
    auto* registered =
        benchmark::RegisterBenchmark(("handler/" + Text(call.name)).c_str(), HandlerCall, call);
    for (const int64_t others : kOtherRounds)
      registered->Arg(others);
    registered->ArgName("other_rounds")->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);
  }
  auto* round = benchmark::RegisterBenchmark("round_of_five", WholeRound);
  for (const int64_t others : kOtherRounds)
    round->Arg(others);
  round->ArgName("other_rounds")->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);
  benchmark::RegisterBenchmark("dead_endpoint_roster_of_five", DeadEndpoint)
      ->Iterations(1)
      ->UseRealTime()
      ->Unit(benchmark::kSecond);
}

// Files for a round through the DLL: the settings, five players' nicknames and
// balances, the game text files and `others` other rounds (bench/wine-round).
void MakeRunDirectory(const Text& dir, int64_t others) {
  Bench::Make(dir);
  WriteFileBytes(dir + "\\config\\Quillora.ini", Settings("127.0.0.1:9") + OtherRounds(others));
  Text players;
  for (const char* account : kPlayers)
    players += Text("[") + account + "]\r\n昵称=P" + account + "\r\n财富=1000000000\r\n";
  WriteFileBytes(dir + "\\config\\Kelvaro\\" + kGroup + ".ini", players);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::strcmp(argv[1], "--make-run-directory") == 0) {
    MakeRunDirectory(argv[2], std::strtoll(argv[3], nullptr, 10));
    return 0;
  }
  benchmark::Initialize(&argc, argv);
  Register();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
