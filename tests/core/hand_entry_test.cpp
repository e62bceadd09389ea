// Picking six by hand on the grid, the two "Gir" modes and which buttons are live when.
#include "scenario.h"

namespace krn::test {
namespace {

using HandEntry = Scenario;

const Colour kFreeBack = rgb(192, 164, 160);

TEST_F(HandEntry, PickShowsLiveInClickOrderClosesGapsAndRefusesASeventh) {
    start();
    press("SSCommand9");
    pick({5, 12, 3});
    EXPECT_EQ(labels(), texts({5, 12, 3, 0, 0, 0}));
    EXPECT_EQ(back("bas12"), kBlack);
    EXPECT_EQ(ctl("bas12").fore, rgb(255, 250, 0));
    pick({12});
    EXPECT_EQ(labels(), texts({5, 3, 0, 0, 0, 0}));
    EXPECT_EQ(back("bas12"), kFreeBack);
    EXPECT_EQ(ctl("bas12").fore, rgb(0, 0, 192));
    pick({40, 7, 33, 1});
    expectNoEffect([&] { EXPECT_TRUE(click("bas49")); });
    // Freeing one makes room, and the newcomer goes to the end.
    pick({3, 49});
    EXPECT_EQ(labels(), texts({5, 40, 7, 33, 1, 49}));
    // A beep for each number taken, none for one put back or refused.
    EXPECT_EQ(platform.beeps, 8);

    // Vazgeç drops the pick, and the next Gir starts on a clean grid.
    press("Vazgeç");
    EXPECT_EQ(labels(), kEmptyRow);
    press("SSCommand9");
    for (int n = 1; n <= 49; ++n) {
        EXPECT_EQ(back(bas(n)), kFreeBack) << n;
    }
    pick({29});
    EXPECT_EQ(labels(), texts({29, 0, 0, 0, 0, 0}));
}

TEST_F(HandEntry, TamamTakesSixSortedAndOnlyAColumnEntryReachesTheCoupon) {
    start();
    press("SSCommand9");
    pick({49, 3, 17, 8, 30});
    expectNoEffect([&] { EXPECT_TRUE(click("Tamam")); });
    pick({22});
    press("Tamam");
    const Numbers sorted = {3, 8, 17, 22, 30, 49};
    EXPECT_EQ(labels(), texts(sorted));
    EXPECT_EQ(ballsOf(kYellow), sorted);
    EXPECT_FALSE(shown("Basınç"));
    press("SSCommand8");
    EXPECT_EQ(row(1), texts(sorted));
    EXPECT_EQ(couponMemory(), columns({sorted}));

    // A result entry is for the check: the drop leaves it on the drum and off the coupon.
    enterByHand(3, {16, 11, 15, 12, 14, 13});
    press("SSCommand8");
    EXPECT_EQ(labels(), texts({11, 12, 13, 14, 15, 16}));
    EXPECT_EQ(row(2), kEmptyRow);
    EXPECT_EQ(couponMemory(), columns({sorted}));
}

// The entry lock set is every command button but "Sına" (SSCommand4) and the save button
// of slot e (SSCommand26), which stays live throughout.
TEST_F(HandEntry, ButtonsLiveAfterEachStepOfBothModes) {
    start();
    struct Step {
        std::vector<std::string> clicks;
        bool lockSet, sina, grid;
    };
    const std::vector<std::string> six = {"bas1", "bas2", "bas3", "bas4", "bas5", "bas6"};
    auto entry = [&](const char* gir) {
        std::vector<std::string> clicks = {gir};
        clicks.insert(clicks.end(), six.begin(), six.end());
        clicks.push_back("Tamam");
        return clicks;
    };
    const Step steps[] = {
        {{"SSCommand9", "bas1", "bas2"}, false, false, true},
        {{"Vazgeç"}, true, false, false},
        {entry("SSCommand3"), true, true, false},
        {{"SSCommand3"}, false, false, true},
        {{"Vazgeç"}, true, false, false},
        {entry("SSCommand9"), true, true, false},
        {{"SSCommand7"}, true, false, false},
    };
    for (const Step& step : steps) {
        for (const std::string& name : step.clicks) {
            ASSERT_TRUE(click(name)) << name;
        }
        SCOPED_TRACE("after " + step.clicks.front() + " ... " + step.clicks.back());
        for (int n = 2; n <= 26; n += n == 9 ? 2 : 1) {
            EXPECT_EQ(enabled(cmd(n)), n == 26 || (n == 4 ? step.sina : step.lockSet)) << n;
        }
        EXPECT_EQ(shown("Tamam"), step.grid);
    }
}

} // namespace
} // namespace krn::test
