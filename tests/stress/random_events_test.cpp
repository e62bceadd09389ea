// Long random sequences of everything a window can be given, with the slot files changed
// under the program now and then, and every rule checked after every event.
#include "stress/driver.h"

#include <gtest/gtest.h>

#include <chrono>

using namespace krn;
using namespace krn::stress;

TEST(RandomEvents, EveryRuleHoldsAfterEveryEvent) {
    const long perSeed = envNumber("KRN_STRESS_EVENTS", 1200000) / 6;
    for (int runSeed = 1; runSeed <= 6; ++runSeed) {
        Rng seeds(static_cast<std::uint64_t>(runSeed));
        const auto start = std::chrono::steady_clock::now();
        const std::string failure = runSequences(seeds, perSeed, 4000);
        ASSERT_TRUE(failure.empty()) << failure;
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        std::printf("seed %d: %ld events in %.2f s: %ld clicks taken, %ld refused, %ld full "
                    "coupons, %ld restarts\n",
                    runSeed, reached.events, took.count(), reached.taken, reached.refused,
                    reached.fullCoupons, reached.restarts);
        // Random clicks that never fill a coupon or end a window would prove little.
        if (reached.events >= 10000) {
            EXPECT_GT(reached.fullCoupons, 0);
            EXPECT_GT(reached.restarts, 0);
        }
    }
}
