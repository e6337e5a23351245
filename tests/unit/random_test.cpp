// Seeded draws: the seed counter, the generator step and the bounds of RandomBetween.
// The expected draws are worked out by hand, so both builds must give exactly these.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <set>
#include <thread>

#include "primitives/platform.hpp"
#include "primitives/platform_detail.hpp"

namespace quillora {
namespace {

// Seeds the calling thread with exactly this seed. A seeding with tick 0 returns the
// counter itself, and moves it on by a known amount, so the tick for the next seeding
// can be worked out.
void SeedExactly(uint32_t seed) {
  const uint32_t counter = SeedRandomFrom(0);
  const uint32_t next = counter + counter % 256 + 100;
  ASSERT_EQ(SeedRandomFrom(seed - next), seed);
}

TEST(RandomTest, EachSeedingMovesTheCounterOnBy100To355) {
  const uint32_t ticks[] = {0, 1, 1000, 0x7FFFFFFF, 0xFFFFFFFF};
  for (uint32_t tick : ticks) {
    SCOPED_TRACE(tick);
    const uint32_t counter = SeedRandomFrom(0);
    const uint32_t next = counter + counter % 256 + 100;
    const uint32_t seed = SeedRandomFrom(tick);
    EXPECT_EQ(seed, tick + next);  // wraps at 32 bits
    EXPECT_EQ(SeedRandomFrom(0), next + seed % 256 + 100);
  }
}

TEST(RandomTest, SeedingsInTheSameMillisecondGiveDifferentSeeds) {
  std::set<uint32_t> seeds;
  for (int i = 0; i < 50; ++i)
    seeds.insert(SeedRandomFrom(123456));
  EXPECT_EQ(seeds.size(), 50u);
}

TEST(RandomTest, AGivenSeedGivesTheDrawWorkedOutByHand) {
  // r = ((seed * 214013 + 2531011) mod 2^32) div 65536 mod 32768:
  //   seed 12345:      x = 2644521496, x div 65536 = 40352, r = 7584
  //   seed 0:          x = 2531011,    r = 38
  //   seed 4294967295: x = 2316998,    r = 35
  struct Case {
    uint32_t seed;
    int32_t low;
    int32_t high;
    int32_t draw;
  };
  const Case cases[] = {
      {12345, 1, 100, 85},      // 1 + 7584 mod 100
      {12345, 1, 3, 1},         // 1 + 7584 mod 3
      {12345, 1, 32768, 7585},  // r itself, plus one
      {12345, 1, 100000, 7585},
      {0, 1, 3, 3},  // 1 + 38 mod 3
      {0, 1, 100, 39},
      {4294967295u, 1, 10, 6},  // 1 + 35 mod 10
      // Reversed and negative bounds: the bounds are raised to 0 and sorted.
      {12345, 1, 0, 0},   // 0 + 7584 mod 2
      {12345, 3, 1, 1},   // 1 + 7584 mod 3
      {12345, -5, 2, 0},  // 0 + 7584 mod 3
      {12345, 2, -5, 0},
      {12345, INT32_MIN, INT32_MAX, 7584},  // the span is lowered to 2147483646
      {12345, INT32_MAX, 0, 7584},
      {12345, 10, 20, 15},  // 10 + 7584 mod 11
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.seed << ": " << c.low << ", " << c.high);
    SeedExactly(c.seed);
    EXPECT_EQ(RandomBetween(c.low, c.high), c.draw);
  }
}

TEST(RandomTest, LaterDrawsContinueTheSequence) {
  SeedExactly(12345);
  EXPECT_EQ(RandomBetween(1, 100), 85);
  EXPECT_EQ(RandomBetween(1, 100), 65);  // x = 2644521496 * 214013 + 2531011, r = 19164
}

TEST(RandomTest, EqualBoundsGiveThatBoundAndLeaveTheStateAlone) {
  struct Case {
    int32_t low;
    int32_t high;
    int32_t draw;
  };
  const Case cases[] = {{1, 1, 1}, {7, 7, 7}, {0, 0, 0}, {-3, -9, 0}, {-1, 0, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.low << ", " << c.high);
    SeedExactly(12345);
    EXPECT_EQ(RandomBetween(c.low, c.high), c.draw);
    EXPECT_EQ(RandomBetween(1, 100), 85);  // still the first draw after the seed
  }
}

TEST(RandomTest, SeededDrawsStayWithinTheirBounds) {
  std::set<int32_t> ofThree;
  std::set<int32_t> ofEmptyList;
  for (int i = 0; i < 300; ++i) {
    SeedRandom();
    ofThree.insert(RandomBetween(1, 3));
    SeedRandom();
    ofEmptyList.insert(RandomBetween(1, 0));
  }
  EXPECT_EQ(ofThree, (std::set<int32_t>{1, 2, 3}));
  EXPECT_EQ(ofEmptyList, (std::set<int32_t>{0, 1}));
}

TEST(RandomTest, EachThreadHasItsOwnGeneratorState) {
  SeedExactly(12345);
  int32_t otherDraw = 0;
  std::thread other([&otherDraw] {
    SeedExactly(0);
    otherDraw = RandomBetween(1, 100);
  });
  other.join();
  EXPECT_EQ(otherDraw, 39);
  EXPECT_EQ(RandomBetween(1, 100), 85);
}

}  // namespace
}  // namespace quillora
