// Long random sequences of clicks and ticks, with every rule checked after every event, on
// the windows a desktop starts one after another: a window ended by "Çık" is followed by a
// new one on the same files, as when the player starts the program again. A sequence, its
// length, the window's random source and every event follow from its seed.
#include "fake_platform.h"
#include "stress/random_run.h"

#include <gtest/gtest.h>

#include <memory>

using namespace krn;
using namespace krn::stress;

namespace {

// What the runs reached, so that the test can insist that they go deep.
long events = 0, fullCoupons = 0, restarts = 0;

// On a slot folder in memory where the system has such a folder, so that millions of events
// cost little I/O.
struct Desktop : test::FakePlatform {
    explicit Desktop(std::uint64_t seed)
        : FakePlatform(std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : "/tmp"), rng(seed) {
        engine.seed(seed);
        std::filesystem::create_directories(slots());
    }
    ~Desktop() override { fullCoupons += static_cast<long>(messages.size()); }

    // One event: mostly clicks the window takes, the machine most of all, so that coupons
    // reach their eighth column between the saves, loads and checks that restart them;
    // "Çık" rarely. The broken rule, after what the desktop did, or "".
    std::string step() {
        ++events;
        if (!w) {
            w = std::make_unique<MainWindow>(*this);
            w->load();
        }
        Controls& ui = w->controls();
        const int roll = rng.below(1000);
        std::string done, failure;
        if (roll < 90) {
            clock = roll < 18 ? 0 : 1 + rng.below(86399);
            const int k = 1 + rng.below(8);
            done = said("tick Timer", k, " at clock ", clock);
            w->tick(k);
        } else if (roll < (w->messageOpen() ? 600 : 95)) {
            done = "answer the message";
            w->onMessageClosed();
        } else {
            const auto weight = [&](ControlId id) {
                const bool machine = id == ui.command(7) || id == ui.command(8) ||
                                     (id == ui.tamam() && w->state().selectedCount == 6);
                const bool entry =
                    (id >= ui.gridCell(1) && id <= ui.gridCell(49)) || id == ui.vazgec();
                return machine ? 4.0 : id == ui.command(6) ? 0.02 : entry ? 0.5 : 0.15;
            };
            const ControlId id = roll < 180 || w->messageOpen() ? rng.below(ui.size())
                                                                : chooseClick(*w, rng, weight);
            done = "click " + ui[id].name;
            const AppState before = w->state();
            ui.takeChanged();
            if (!w->click(id) && (w->state() != before || ui.anyChanged())) {
                failure = "clicks: a refused click changed the window";
            }
        }
        failure = failure.empty() ? checkWindow(*w) : failure;
        // Nothing here makes a file fail, so the only message is the full coupon's.
        if (failure.empty() && !messages.empty() && messages.back().text != kCouponFullText) {
            failure = said("messages: ", messages.back().text);
        }
        if (w->ended()) {
            w.reset();
            ++restarts;
        }
        return failure.empty() ? failure : done + ": " + failure;
    }

    Rng rng;
    std::unique_ptr<MainWindow> w;
};

} // namespace

TEST(RandomEvents, EveryRuleHoldsAfterEveryEvent) {
    const char* wanted = std::getenv("KRN_STRESS_EVENTS");
    const long total = wanted && *wanted ? std::atol(wanted) : 1200000;
    for (Rng seeds(1); events < (replayed() != 0 ? 1 : total);) {
        const std::uint64_t seed = replayed() != 0 ? replayed() : seeds();
        Desktop desktop(seed);
        for (long i = 1, length = 400 + Rng(seed).below(4000); i <= length; ++i) {
            const std::string failure = desktop.step();
            ASSERT_TRUE(failure.empty())
                << "sequence " << seed << " (replay: KRN_STRESS_SEQUENCE=" << seed << "), event "
                << i << ", " << failure;
        }
    }
    std::printf("%ld events, %ld full coupons, %ld restarts\n", events, fullCoupons, restarts);
    // Random clicks that never fill a coupon or end a window would prove little.
    EXPECT_GT(fullCoupons + restarts, events / 5000);
}
