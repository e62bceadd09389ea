// The drawing machine, the coupon it fills and the wheels beside it.
#include "scenario.h"

namespace krn::test {

using Machine = Scenario;

TEST_F(Machine, EightRoundsFillTheCouponAndTheNinthStartsAnEmptyOne) {
    start();
    Numbers all;
    for (int c = 1; c <= 8; ++c) {
        SCOPED_TRACE(c);
        // Drawn in falling order; shown and stored rising.
        const Numbers six = {c, c + 8, c + 16, c + 24, c + 32, c + 40};
        platform.scriptNumbers({c + 40, c + 32, c + 24, c + 16, c + 8, c});
        press("SSCommand7");
        EXPECT_EQ(labels(), texts(six));
        EXPECT_EQ(ballsOf(kYellow), six);
        press("SSCommand8");
        EXPECT_EQ(state().drawPending, 0);
        EXPECT_EQ(ballsOf(kBlue), six);
        EXPECT_EQ(row(c), texts(six));
        EXPECT_EQ(w().messageOpen(), c == 8);
        all.insert(all.end(), six.begin(), six.end());
    }
    ASSERT_EQ(platform.messages.size(), 1u);
    EXPECT_EQ(platform.messages[0].text, "Kupon doldu. Kayda alınmazsa yeniden düzenlenecek ");
    // Under the open message the eighth column stands, the count is not yet reset and
    // the window takes no click.
    EXPECT_EQ(state().couponFull, 0);
    EXPECT_EQ(state().filledColumns, 8);
    EXPECT_FALSE(click("SSCommand7"));
    closeMessage();
    EXPECT_EQ(state().couponFull, 1);
    EXPECT_EQ(state().filledColumns, 0);
    EXPECT_EQ(couponMemory(), all);
    // Saved and loaded again, the coupon shows down to its eighth column.
    press(saveButton('c'));
    press(loadButton('c'));
    EXPECT_EQ(row(8), texts({8, 16, 24, 32, 40, 48}));

    // The machine draws both ends of the range.
    round({49, 11, 20, 29, 38, 1});
    EXPECT_EQ(row(1), texts({1, 11, 20, 29, 38, 49}));
    EXPECT_EQ(row(2), kEmptyRow);
    EXPECT_EQ(couponMemory(), columns({{1, 11, 20, 29, 38, 49}}));
    // A second drop without a new draw does nothing; the next round fills column 2.
    expectNoEffect([&] { EXPECT_TRUE(click("SSCommand8")); });
    round({3, 12, 21, 30, 39, 48});
    EXPECT_EQ(row(1), texts({1, 11, 20, 29, 38, 49}));
    EXPECT_EQ(platform.messages.size(), 1u);
}

TEST_F(Machine, WheelsStepOneFramePerTickExceptAtMidnight) {
    start();
    platform.clock = 0;
    expectNoEffect([&] { w().tick(3); });
    platform.clock = 1;
    for (int k = 1; k <= 8; ++k) {
        for (Picture frame : {Picture::Wheel1, Picture::Wheel2, Picture::Wheel0, Picture::Wheel1}) {
            w().tick(k);
            EXPECT_EQ(ctl("Image" + std::to_string(k)).picture, frame) << k;
        }
    }
}

} // namespace krn::test
