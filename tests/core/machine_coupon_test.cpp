// The drawing machine, the coupon it fills and the wheels beside it.
#include "scenario.h"

#include <algorithm>
#include <cmath>
#include <set>

namespace krn::test {
namespace {

using Machine = Scenario;

TEST_F(Machine, EightRoundsFillTheCouponAndAnnounceItOnce) {
    start();
    std::vector<int> all;
    for (int c = 1; c <= 8; ++c) {
        SCOPED_TRACE(c);
        // Drawn in falling order; shown and stored rising.
        const std::vector<int> six = {c, c + 8, c + 16, c + 24, c + 32, c + 40};
        platform.scriptNumbers({c + 40, c + 32, c + 24, c + 16, c + 8, c});
        ASSERT_TRUE(click("SSCommand7"));
        EXPECT_EQ(labels(), texts(six));
        EXPECT_EQ(ballsOf(kYellow), six);
        EXPECT_EQ(ballsOf(kGrey).size(), 43u);
        drop();
        EXPECT_EQ(ballsOf(kBlue), six);
        EXPECT_EQ(ballsOf(kGrey).size(), 43u);
        EXPECT_EQ(row(c), texts(six));
        if (c < 8) {
            EXPECT_EQ(row(c + 1), kEmptyRow);
            EXPECT_EQ(labels(), kEmptyRow);
            EXPECT_EQ(state().drawNumbers[1], 0);
            EXPECT_EQ(state().filledColumns, c);
            EXPECT_TRUE(platform.messages.empty());
        }
        all.insert(all.end(), six.begin(), six.end());
    }
    ASSERT_TRUE(w().messageOpen());
    ASSERT_EQ(platform.messages.size(), 1u);
    EXPECT_EQ(platform.messages[0].title, "KRN Dernovak");
    EXPECT_EQ(platform.messages[0].text, "Kupon doldu. Kayda alınmazsa yeniden düzenlenecek ");
    // Under the open message the eighth column stands and the count is not yet reset.
    EXPECT_EQ(state().couponFull, 0);
    EXPECT_EQ(state().filledColumns, 8);
    EXPECT_FALSE(click("SSCommand7"));
    EXPECT_FALSE(click("SSCommand14"));

    closeMessage();
    EXPECT_FALSE(w().messageOpen());
    EXPECT_EQ(state().couponFull, 1);
    EXPECT_EQ(state().filledColumns, 0);
    EXPECT_EQ(state().drawNumbers, AppState{}.drawNumbers);
    EXPECT_EQ(couponMemory(), all);
    EXPECT_EQ(row(8), texts({8, 16, 24, 32, 40, 48}));
    // Saved now, the full coupon goes to the file whole.
    ASSERT_TRUE(click(saveButton('d')));
    EXPECT_EQ(record('d'), all);
    EXPECT_EQ(std::filesystem::file_size(slotFile('d')), 96u);

    EXPECT_EQ(platform.messages.size(), 1u);
}

TEST_F(Machine, TheNinthRoundStartsOnAnEmptyCoupon) {
    start();
    for (int c = 1; c <= 8; ++c) {
        round({c, c + 8, c + 16, c + 24, c + 32, c + 40});
    }
    closeMessage();
    spin({2, 11, 20, 29, 38, 47});
    EXPECT_TRUE(couponCellsEmpty());
    EXPECT_EQ(state().couponFull, 0);
    drop();
    EXPECT_EQ(row(1), texts({2, 11, 20, 29, 38, 47}));
    for (int c = 2; c <= 8; ++c) {
        EXPECT_EQ(row(c), kEmptyRow);
    }
    EXPECT_EQ(couponMemory(), columns({{2, 11, 20, 29, 38, 47}}));
    EXPECT_EQ(platform.messages.size(), 1u);
}

TEST_F(Machine, SilAfterThreeRoundsRestartsAtColumnOne) {
    start();
    round({1, 2, 3, 4, 5, 6});
    round({7, 8, 9, 10, 11, 12});
    spin({13, 14, 15, 16, 17, 18});
    ASSERT_TRUE(click("SSCommand2"));
    EXPECT_TRUE(couponCellsEmpty());
    EXPECT_EQ(labels(), kEmptyRow);
    EXPECT_EQ(ballsOf(kGrey).size(), 49u);
    EXPECT_EQ(state().filledColumns, 0);
    EXPECT_EQ(couponMemory(), std::vector<int>(48, 0));
    EXPECT_FALSE(enabled("SSCommand4"));
    EXPECT_EQ(state().currentSlotPath, "");

    round({20, 21, 22, 23, 24, 25});
    EXPECT_EQ(row(1), texts({20, 21, 22, 23, 24, 25}));
    EXPECT_EQ(row(2), kEmptyRow);
    EXPECT_EQ(couponMemory(), columns({{20, 21, 22, 23, 24, 25}}));
}

TEST_F(Machine, SecondDropWithoutNewDrawDoesNothing) {
    start();
    round({4, 8, 15, 16, 23, 42});
    const AppState before = state();
    w().controls().takeChanged();
    ASSERT_TRUE(click("SSCommand8"));
    EXPECT_EQ(state(), before);
    EXPECT_FALSE(w().controls().anyChanged());
    EXPECT_EQ(row(2), kEmptyRow);
}

TEST_F(Machine, EveryDrawIsSixDistinctAscendingOnLabelsAndDrum) {
    start();
    for (int draw = 0; draw < 500; ++draw) {
        ASSERT_TRUE(click("SSCommand7"));
        std::vector<int> six;
        for (int k = 1; k <= 6; ++k) {
            const int n = state().drawNumbers[k];
            ASSERT_GE(n, 1);
            ASSERT_LE(n, 49);
            ASSERT_EQ(caption(label(k)), std::to_string(n));
            six.push_back(n);
        }
        ASSERT_TRUE(std::is_sorted(six.begin(), six.end()));
        ASSERT_EQ(std::set<int>(six.begin(), six.end()).size(), 6u);
        // The drum of the draw before is put back first: only these six are lit.
        ASSERT_EQ(ballsOf(kYellow), six);
        ASSERT_EQ(ballsOf(kGrey).size(), 43u);
    }
}

TEST_F(Machine, EachNumberIsDrawnEquallyOften) {
    start();
    constexpr int kDraws = 12000;
    std::array<int, 50> seen{};
    for (int draw = 0; draw < kDraws; ++draw) {
        ASSERT_TRUE(click("SSCommand7"));
        for (int k = 1; k <= 6; ++k) {
            ++seen[static_cast<std::size_t>(state().drawNumbers[k])];
        }
    }
    const double expected = kDraws * 6 / 49.0;
    double chi2 = 0;
    for (int n = 1; n <= 49; ++n) {
        chi2 += std::pow(seen[static_cast<std::size_t>(n)] - expected, 2) / expected;
    }
    // 48 degrees of freedom: 90 lies far in the tail of a fair draw, while ends drawn half
    // as often as the rest would alone add some 700.
    EXPECT_LT(chi2, 90.0);
    EXPECT_GT(seen[1], 0.85 * expected);
    EXPECT_GT(seen[49], 0.85 * expected);
}

TEST_F(Machine, EveryNumberTakesAFortyNinthOfTheSource) {
    start();
    // Rounding r x 48 + 1 would give 2 and 48 for the first two values.
    platform.randoms = {0.6 / 49, 48.4 / 49, 1.5 / 49, 20.3 / 49, 30.7 / 49, 40.1 / 49};
    ASSERT_TRUE(click("SSCommand7"));
    EXPECT_EQ(labels(), texts({1, 2, 21, 31, 41, 49}));
    platform.randoms = {0.0, std::nextafter(1.0, 0.0), 5.5 / 49, 6.5 / 49, 7.5 / 49, 8.5 / 49};
    ASSERT_TRUE(click("SSCommand7"));
    EXPECT_EQ(labels(), texts({1, 6, 7, 8, 9, 49}));
    EXPECT_TRUE(platform.randoms.empty());
}

TEST_F(Machine, ARepeatIsDrawnAgainAgainstEveryEarlierNumber) {
    start();
    // The third number first repeats the second, then the first: the comparisons start
    // over after each new value.
    platform.scriptNumbers({10, 20, 20, 10, 30, 40, 45, 40, 46});
    ASSERT_TRUE(click("SSCommand7"));
    EXPECT_EQ(labels(), texts({10, 20, 30, 40, 45, 46}));
    EXPECT_TRUE(platform.randoms.empty());
}

TEST_F(Machine, BallOperationsIgnoreNumbersOutsideTheDrum) {
    start();
    round({1, 9, 10, 20, 30, 49});
    ASSERT_EQ(ballsOf(kBlue), (std::vector<int>{1, 9, 10, 20, 30, 49}));
    forceState().drawNumbers = {0, 0, 50, -1, 32767, -32768, 200};
    w().controls().takeChanged();
    w().yahyalı_a();
    w().yahyalı_b();
    w().yahyalı_c();
    w().yahyalı_d();
    w().yahyalı_e();
    w().yahyalı_f();
    w().soysallı_a();
    w().soysallı_f();
    EXPECT_FALSE(w().controls().anyChanged());
}

TEST_F(Machine, WheelsStepOneFramePerTickAndNothingElseTurnsThem) {
    start();
    for (int k = 1; k <= 8; ++k) {
        EXPECT_EQ(ctl("Image" + std::to_string(k)).picture, Picture::None);
    }
    platform.clock = 0;
    w().tick(3);
    EXPECT_EQ(state().wheelFrame[3], 0);
    EXPECT_EQ(ctl("Image3").picture, Picture::None);

    platform.clock = 1;
    const Picture frames[] = {Picture::Wheel1, Picture::Wheel2, Picture::Wheel0, Picture::Wheel1};
    for (int k = 1; k <= 8; ++k) {
        const std::string image = "Image" + std::to_string(k);
        for (Picture expected : frames) {
            w().tick(k);
            EXPECT_EQ(ctl(image).picture, expected) << image;
        }
        EXPECT_EQ(state().wheelFrame[k], 1);
    }
    // Leave the wheels in different phases, then play.
    w().tick(2);
    w().tick(5);
    w().tick(5);
    const auto phases = state().wheelFrame;
    std::vector<Picture> pictures;
    for (int k = 1; k <= 8; ++k) {
        pictures.push_back(ctl("Image" + std::to_string(k)).picture);
    }
    round({5, 6, 7, 8, 9, 10});
    ASSERT_TRUE(click(saveButton('c')));
    ASSERT_TRUE(click(loadButton('c')));
    enterByHand(3, {1, 2, 3, 4, 5, 6});
    ASSERT_TRUE(click("SSCommand4"));
    ASSERT_TRUE(click("SSCommand5"));
    ASSERT_TRUE(click("SSCommand2"));
    ASSERT_TRUE(click("SSCommand11"));
    EXPECT_EQ(state().wheelFrame, phases);
    for (int k = 1; k <= 8; ++k) {
        EXPECT_EQ(ctl("Image" + std::to_string(k)).picture, pictures[k - 1]);
    }
}

} // namespace
} // namespace krn::test
