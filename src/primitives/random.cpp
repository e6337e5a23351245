// Seeded draws, the same on both platforms so that a seed gives the same draw on each.
#include <algorithm>
#include <atomic>

#include "primitives/platform.hpp"
#include "primitives/platform_detail.hpp"

namespace quillora {

namespace {

// One counter for the process, so that two seedings in the same millisecond differ.
std::atomic<uint32_t> seedCounter{0};
thread_local uint32_t generatorState = 0;

}  // namespace

uint32_t SeedRandomFrom(uint32_t tick) {
  uint32_t counter = seedCounter.load();
  uint32_t seed = 0;
  // The counter's next value depends on the seed made from it, so a plain add will not do.
  do {
    seed = tick + counter;
  } while (!seedCounter.compare_exchange_weak(counter, counter + seed % 256u + 100u));
  generatorState = seed;
  return seed;
}

void SeedRandom() {
  SeedRandomFrom(TickCount());
}

int32_t RandomBetween(int32_t low, int32_t high) {
  const int64_t a = std::max<int64_t>(low, 0);
  const int64_t b = std::max<int64_t>(high, 0);
  const int64_t lo = std::min(a, b);
  const int64_t hi = std::max(a, b);
  if (lo == hi) return static_cast<int32_t>(lo);
  const int64_t span = std::min<int64_t>(hi - lo, 2147483646);
  generatorState = generatorState * 214013u + 2531011u;
  const uint32_t draw = (generatorState >> 16) % 32768u;
  return static_cast<int32_t>(lo + draw % (span + 1));
}

}  // namespace quillora
