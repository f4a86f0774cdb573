// The one generator: its seeding and draws, and the random script functions on top of it.
#include "functions/random.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <limits>

#include "functions/math_call.h"
#include "host/frame_loop.h"

namespace {

using namespace math_test;

// Taken during static initialisation, before any test draws.
const RandomState kStateAtStart = Random_State();

constexpr uint32_t kSeedZeroWords[] = {38, 162, 567, 1890};
constexpr uint32_t kSeedZeroDraws[] = {667285549u, 363950863u, 3029101428u};

class RandomTest : public MathTest {
 protected:
  void TearDown() override {
    Random_SetOldVersion(false);
    Random_Seed(0);
    MathTest::TearDown();
  }
  // The draws made since the last seeding with 0: how many Random_Next calls bring a fresh seed-0
  // state to the current one (-1 beyond 64). Leaves the state as it found it.
  static int DrawsSinceSeedZero() {
    const RandomState now = Random_State();
    Random_Seed(0);
    for (int n = 0; n < 64; ++n) {
      const RandomState s = Random_State();
      if (s.index == now.index && std::equal(std::begin(s.words), std::end(s.words), std::begin(now.words))) {
        return n;
      }
      Random_Next();
    }
    return -1;
  }
};

TEST_F(RandomTest, SeedZeroGivesTheKnownWordsAndDrawsInBothModes) {
  EXPECT_EQ(kStateAtStart.seed, 0u);
  EXPECT_EQ(kStateAtStart.mask, kRandomMask);
  EXPECT_EQ(kStateAtStart.index, 0u);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(kStateAtStart.words[i], kSeedZeroWords[i]) << i;
  for (const bool old : {false, true}) {
    Random_SetOldVersion(old);
    EXPECT_EQ(Random_State().mask, old ? kRandomMaskOldVersion : kRandomMask);
    EXPECT_EQ(Random_Seed(0), 0);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(Random_State().words[i], kSeedZeroWords[i]) << i;
    for (const uint32_t draw : kSeedZeroDraws) EXPECT_EQ(Random_Next(), draw) << "old " << old;
  }
  // Through the script functions: the old-version switch does not reseed and changes nothing.
  Call("random_set_seed", {Real(0)});
  Call("random_use_old_version", {Real(1)});
  EXPECT_EQ(Random_State().mask, kRandomMaskOldVersion);
  EXPECT_EQ(CallReal("random", {Real(1)}), kSeedZeroDraws[0] * 0x1p-32);
  Call("random_use_old_version", {Real(0)});
  EXPECT_EQ(Random_State().mask, kRandomMask);
  EXPECT_EQ(CallReal("random", {Real(1)}), kSeedZeroDraws[1] * 0x1p-32);
}

TEST_F(RandomTest, SeedsAreReadAsInt32AndKeptUnsigned) {
  struct Case {
    RValue seed;
    double stored;
  };
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  for (const Case& c : {Case{Real(-1), 4294967295.0}, Case{Real(2.9), 2.0}, Case{Real(nan), 0.0},
                        Case{Real(inf), 0.0}, Case{Int32(INT32_MIN), 2147483648.0}}) {
    Random_Seed(77);
    EXPECT_EQ(CallReal("random_set_seed", {c.seed}), 0.0);
    EXPECT_EQ(CallReal("random_get_seed"), c.stored);
  }
}

TEST_F(RandomTest, RandomizeSeedsFromTheClockReading) {
  static int64_t s_now = 0;
  const TimingClock previous = Timing_SetClock({[] { return s_now; }, nullptr});
  struct Case {
    int64_t start;
    int64_t elapsed;
  };
  for (const Case c : {Case{0x0000000123456789, 0}, Case{0x00000000FFFF8000, 0x1000}, Case{0x0000001000000000, 77}, Case{0x7000, 0x1000}}) {
    s_now = c.start;
    Timing_Init();
    s_now = c.start + c.elapsed;
    const uint64_t t = static_cast<uint64_t>(c.start + c.elapsed);
    const uint32_t low = static_cast<uint32_t>(t);
    const uint32_t seed = (static_cast<uint32_t>(t >> 32) + low) ^ static_cast<uint32_t>((t >> 16) & 0xFFFF) ^ (low << 16);
    EXPECT_EQ(CallReal("randomize"), static_cast<double>(static_cast<int32_t>(seed)));
    EXPECT_EQ(Random_GetSeed(), seed);
  }
  EXPECT_LT(static_cast<int32_t>(Random_GetSeed()), 0) << "the last case has a negative seed";
  Timing_SetClock(previous);
  Timing_Init();
}

// Each case: a call after seeding with 0, the range its answer must lie in, and the number of
// draws it makes.
TEST_F(RandomTest, EdgeCasesStayInRangeWithTheirDrawCounts) {
  struct Case {
    const char* name;
    std::vector<RValue> args;
    double lo, hi;  // inclusive
    int draws;
  };
  const double i64max = static_cast<double>(INT64_MAX);
  const Case cases[] = {
      {"random", {Real(0)}, 0, 0, 1},
      {"random", {Real(-10)}, -10 + 1e-9, 0, 1},
      {"random_range", {Real(5), Real(1)}, 1, 5 - 1e-9, 1},
      {"irandom", {Real(0)}, 0, 0, 2},
      {"irandom", {Real(-3)}, -3, 0, 2},
      {"irandom", {Real(2.7)}, 0, 2, 2},
      {"irandom", {Int64(INT64_MAX)}, 0, i64max, 2},
      {"irandom", {Int64(INT64_MIN)}, -i64max, 0, 2},
      {"irandom_range", {Real(4), Real(4)}, 4, 4, 2},
      {"irandom_range", {Real(3), Real(-2)}, -2, 3, 2},
      {"choose", {}, 0, 0, 0},
  };
  for (const Case& c : cases) {
    for (int round = 0; round < 200; ++round) {
      Random_Seed(round);
      const double r = CallReal(c.name, c.args);
      ASSERT_GE(r, c.lo) << c.name << " round " << round;
      ASSERT_LE(r, c.hi) << c.name << " round " << round;
      if (round == 0) {
        EXPECT_EQ(DrawsSinceSeedZero(), c.draws) << c.name;
      }
    }
  }
  // Both ends of an inclusive range are reached.
  bool sawLow = false, sawHigh = false;
  for (int i = 0; i < 400; ++i) {
    const double r = CallReal("irandom_range", {Real(3), Real(-2)});
    sawLow |= r == -2;
    sawHigh |= r == 3;
  }
  EXPECT_TRUE(sawLow && sawHigh);
}

TEST_F(RandomTest, ChooseCopiesOneArgumentAfterOneDraw) {
  Random_Seed(0);
  const Answer one = Call("choose", {Text("a")});
  EXPECT_EQ(one.Text(), "a");
  EXPECT_EQ(DrawsSinceSeedZero(), 1);
  // The pick is the draw modulo the count.
  Random_Seed(0);
  const Answer pick = Call("choose", {Real(10), Real(11), Real(12), Real(13), Real(14)});
  EXPECT_EQ(pick.Real(), 10 + kSeedZeroDraws[0] % 5);
  // A string argument is shared, not copied.
  Val shared("shared");
  const Answer same = Call("choose", {Share(shared.v)});
  EXPECT_EQ(same.v.pString, shared.v.pString);
}

TEST_F(RandomTest, WholeInt64RangeUsesTheDrawItself) {
  Random_Seed(0);
  const uint64_t lo = Random_Next();
  const uint64_t hi = Random_Next() & 0x7FFFFFFF;
  const int64_t expected = static_cast<int64_t>(static_cast<uint64_t>(INT64_MIN) + ((hi << 32) | lo));
  Random_Seed(0);
  EXPECT_EQ(CallReal("irandom_range", {Int64(INT64_MIN), Int64(INT64_MAX)}), static_cast<double>(expected));
  Random_Seed(0);
  EXPECT_EQ(CallReal("irandom", {Int64(INT64_MAX)}), static_cast<double>(static_cast<int64_t>((hi << 32) | lo)));
}

TEST_F(RandomTest, BoundsOfTheInternalDraws) {
  Random_Seed(0);
  EXPECT_EQ(Random_Int(0), 0u);
  EXPECT_EQ(DrawsSinceSeedZero(), 1);
  Random_Seed(0);
  EXPECT_EQ(Random_Int(INT32_MIN), kSeedZeroDraws[0] % 0x80000000u);
  Random_Seed(0);
  EXPECT_EQ(Random_Int(-7), kSeedZeroDraws[0] % 7);
  Random_Seed(0);
  EXPECT_EQ(F_IRandomCore(0), 0);
  EXPECT_EQ(DrawsSinceSeedZero(), 2);
  Random_Seed(0);
  const int64_t r = static_cast<int64_t>((static_cast<uint64_t>(kSeedZeroDraws[1] & 0x7FFFFFFF) << 32) | kSeedZeroDraws[0]);
  EXPECT_EQ(F_IRandomCore(-1000), -(r % 1000));
  Random_Seed(0);
  EXPECT_EQ(F_IRandomCore(INT64_MIN), -r);
  Random_Seed(0);
  EXPECT_EQ(Random_Real(3), 3 * (kSeedZeroDraws[0] * 0x1p-32));
}

// Every function run twice from the same seed gives the same answers.
TEST_F(RandomTest, ReseedingRepeatsEverySequence) {
  auto run = [] {
    std::vector<double> out;
    CallReal("random_set_seed", {Real(12345)});
    for (int i = 0; i < 5; ++i) {
      out.push_back(CallReal("random", {Real(100)}));
      out.push_back(CallReal("random_range", {Real(-5), Real(5)}));
      out.push_back(CallReal("irandom", {Real(1000)}));
      out.push_back(CallReal("irandom_range", {Real(-50), Real(50)}));
      out.push_back(CallReal("choose", {Real(1), Real(2), Real(3), Real(4)}));
      out.push_back(F_Random(10));
      out.push_back(static_cast<double>(F_IRandom(-9)));
      out.push_back(Random_Int(17));
    }
    return out;
  };
  const std::vector<double> first = run();
  EXPECT_EQ(run(), first);
}

TEST_F(RandomTest, FastEntriesMatchTheScriptFunctions) {
  for (const int32_t n : {0, 1, 6, -1, -6, INT32_MAX, INT32_MIN}) {
    Random_Seed(n);
    const double script = CallReal("irandom", {Real(n)});
    Random_Seed(n);
    EXPECT_EQ(static_cast<double>(F_IRandom(n)), script) << n;
  }
  for (const double x : {0.0, 1.0, -10.0, 1e300}) {
    Random_Seed(3);
    const double script = CallReal("random", {Real(x)});
    Random_Seed(3);
    EXPECT_EQ(F_Random(x), script) << x;
  }
}

}  // namespace
