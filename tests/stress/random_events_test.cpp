// Long random sequences of clicks and ticks, with every rule checked after every event.
#include "stress/random_run.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace krn::stress;

TEST(RandomEvents, EveryRuleHoldsAfterEveryEvent) {
    const char* wanted = std::getenv("KRN_STRESS_EVENTS");
    const long events = wanted && *wanted ? std::atol(wanted) : 1200000;
    for (Rng seeds(1); reached.events < (replayed() != 0 ? 1 : events);) {
        const std::string failure = runSequence(replayed() != 0 ? replayed() : seeds(), 4000);
        ASSERT_TRUE(failure.empty()) << failure;
    }
    std::printf("%ld events, %ld full coupons, %ld restarts\n", reached.events, reached.fullCoupons,
                reached.restarts);
    // Random clicks that never fill a coupon or end a window would prove little.
    EXPECT_GT(reached.fullCoupons + reached.restarts, reached.events / 5000)
        << reached.fullCoupons << " full coupons, " << reached.restarts << " restarts";
}
