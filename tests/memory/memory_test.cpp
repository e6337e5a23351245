// The plugin keeps nothing in memory between calls but its twelve result slots. A
// long session through all twelve exports, full rounds included, must therefore end
// with no more heap in use after 100,000 calls than after 10,000; in the sanitize
// build LeakSanitizer checks at exit that nothing was lost either.
//
// QUILLORA_MEMORY_CALLS sets another number of calls (for a run under valgrind).
#include <malloc.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <string>

#include "boundary/exports.hpp"
#include "http_server.hpp"
#include "run_directory.hpp"

#if defined(__SANITIZE_ADDRESS__)
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace quillora::testing {
namespace {

// Bytes the program holds on the heap right now.
size_t HeapInUse() {
#if defined(__SANITIZE_ADDRESS__)
  return __sanitizer_get_current_allocated_bytes();
#else
  return mallinfo2().uordblks;
#endif
}

size_t ResidentBytes() {
  std::ifstream statm("/proc/self/statm");
  size_t pages = 0;
  size_t resident = 0;
  statm >> pages >> resident;
  return resident * static_cast<size_t>(sysconf(_SC_PAGESIZE));
}

size_t CallsWanted() {
  const char* wanted = std::getenv("QUILLORA_MEMORY_CALLS");
  return wanted != nullptr ? std::strtoul(wanted, nullptr, 10) : 100000;
}

// The nickname endpoint, in a child process of its own: the requests that the server
// records do not count in this process's heap.
class ChildHttpServer {
 public:
  explicit ChildHttpServer(const std::string& body) {
    int channel[2];
    if (pipe(channel) != 0) throw std::runtime_error("pipe");
    child_ = fork();
    if (child_ == 0) {
      LocalHttpServer server;
      server.Respond(body);
      const std::string address = server.HostAndPort();
      if (write(channel[1], address.data(), address.size()) < 0) _exit(1);
      close(channel[1]);
      for (;;)
        pause();  // until the parent kills it, without running exit handlers
    }
    close(channel[1]);
    char address[64] = {};
    if (read(channel[0], address, sizeof address - 1) <= 0) throw std::runtime_error("no server");
    close(channel[0]);
    address_ = address;
  }
  ~ChildHttpServer() {
    kill(child_, SIGKILL);
    waitpid(child_, nullptr, 0);
  }
  ChildHttpServer(const ChildHttpServer&) = delete;
  ChildHttpServer& operator=(const ChildHttpServer&) = delete;

  const std::string& HostAndPort() const { return address_; }

 private:
  pid_t child_ = -1;
  std::string address_;
};

class MemoryTest : public RunDirectoryTest {
 protected:
  void SetUp() override {
    RunDirectoryTest::SetUp();
    MakeFolder(Path("\\config\\Kelvaro"));
    // Players are named by the nickname file, which also holds their balances; the
    // nickname export asks for an account that only the endpoint knows.
    WriteFileBytes(GameFile(),
                   "[Quillora路径]\r\n路径=config\\Kelvaro\\群号.ini\r\n群币=财富\r\n"
                   "[Quillora]\r\n群币名称=水晶币\r\n群币单位=个\r\n惩罚金额=10\r\n"
                   "昵称接口=" +
                       server_.HostAndPort() + "\r\n");
    Text players;
    for (const char* account : kPlayers)
      players += Text("[") + account + "]\r\n昵称=P" + account + "\r\n财富=2000000000\r\n";
    WriteFileBytes(Path("\\config\\Kelvaro\\1001.ini"), players);
    WriteFileBytes(Path("\\plugin\\真心话.txt"), "你最怕什么？\r\n最近一次说谎是什么时候？\r\n");
    WriteFileBytes(Path("\\plugin\\大冒险.txt"), "学猫叫三声\r\n唱一首歌\r\n");
    LoadPlugin(dir());
  }
  void TearDown() override {
    UnloadPlugin();
    RunDirectoryTest::TearDown();
  }

  // One round of three players from joining to settlement, and each of the other
  // exports once: 17 calls. Returns whether the round was settled.
  static bool Cycle() {
    for (const char* player : kPlayers)
      QuilloraJoin(nullptr, "2", kGroup, player, nullptr);
    QuilloraStart(nullptr, "2", kGroup, kPlayers[0], nullptr);
    QuilloraAnswer("a", "2", kGroup, kPlayers[0], nullptr);
    QuilloraAnswer("b|c", "2", kGroup, kPlayers[1], nullptr);
    QuilloraAnswer("d\r\ne", "2", kGroup, kPlayers[2], nullptr);
    QuilloraVote("1", "2", kGroup, kPlayers[0], nullptr);
    QuilloraVote("2", "2", kGroup, kPlayers[1], nullptr);
    const bool settled = std::string(QuilloraSettle(nullptr, "2", kGroup, kPlayers[0], nullptr))
                             .starts_with("[bq99]");
    QuilloraInfo();
    QuilloraNickname("99999", kGroup);
    QuilloraTextBetween("name=Bob;", "NAME=", ";");
    QuilloraStripBlanks("a b\r\nc");
    QuilloraDate();
    QuilloraLink("Tovik", "2", kGroup, kPlayers[0], nullptr);
    QuilloraEnd(nullptr, "2", kGroup, kPlayers[0], nullptr);
    return settled;
  }

  static constexpr size_t kCallsPerCycle = 17;
  static constexpr const char* kGroup = "1001";
  static constexpr const char* kPlayers[] = {"10001", "10002", "10003"};
  ChildHttpServer server_{"portraitCallBack({\"99999\":[\"x\",\"Zed\",0]})"};
};

TEST_F(MemoryTest, HeapDoesNotGrowWithTheNumberOfCalls) {
  const size_t calls = CallsWanted();
  const size_t early = calls / 10;
  size_t made = 0;
  size_t settled = 0;
  size_t heapEarly = 0;
  size_t residentEarly = 0;
  while (made < calls) {
    settled += Cycle() ? 1 : 0;
    made += kCallsPerCycle;
    if (heapEarly == 0 && made >= early) {
      heapEarly = HeapInUse();
      residentEarly = ResidentBytes();
    }
  }
  const size_t heapLate = HeapInUse();
  const size_t residentLate = ResidentBytes();
  std::printf(
      "calls %zu: heap in use %zu bytes after %zu calls, %zu after %zu; resident %zu KB, "
      "%zu KB\n",
      made, heapEarly, early, heapLate, made, residentEarly / 1024, residentLate / 1024);

  // Every cycle played a whole round, so every handler ran its writing path.
  EXPECT_EQ(settled, made / kCallsPerCycle);
  // Ten times the calls may not hold more heap than a few result texts' worth.
  EXPECT_LE(heapLate, heapEarly + 16 * 1024) << "the heap grew with the number of calls";
}

}  // namespace
}  // namespace quillora::testing
