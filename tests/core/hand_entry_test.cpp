// The window as it opens and as it ends, picking six by hand on the grid, the two "Gir"
// modes and which buttons are live when.
#include "scenario.h"

#include <sstream>

namespace krn::test {

using Window = Scenario;
using HandEntry = Scenario;

TEST_F(Window, OpensWithZeroStateAndItsPicturesAndGridHidden) {
    start();
    EXPECT_EQ(state(), AppState{});
    EXPECT_EQ(platform.seeds, 1);
    for (const char* name : {"Basınç", "Tamam", "bas1", "Logo", "Logo2", "Logo3"}) {
        EXPECT_FALSE(shown(name)) << name;
    }
    // The disabled "Sına" takes no click, nor does a place off every control.
    EXPECT_FALSE(click("SSCommand4"));
    EXPECT_FALSE(w().click(kNoControl) || w().click(w().controls().size()));
}

TEST_F(Window, PictureSequenceRepeatsAndCikEndsTheProgram) {
    start();
    for (int run = 0; run < 2; ++run) {
        EXPECT_FALSE(click("Logo2")); // hidden pictures take no click
        press("SSCommand11");
        press("Logo2");
        press("Logo");
        EXPECT_TRUE(shown("Logo2") && shown("Logo") && shown("Logo3"));
        press("Logo3");
        EXPECT_FALSE(shown("Logo2") || shown("Logo") || shown("Logo3"));
    }
    round({3, 9, 14, 22, 31, 45});
    press("SSCommand6");
    EXPECT_EQ(platform.quits, 1);
    expectNoEffect([&] {
        EXPECT_FALSE(click("SSCommand7") || click(saveButton('a')));
        w().tick(4);
    });
    // Nothing is saved on the way out.
    EXPECT_EQ(fileBytes('a'), Bytes{});
}

TEST_F(HandEntry, PickShowsLiveAndTamamTakesItSortedButOnlyColumnEntryFillsTheCoupon) {
    start();
    // "Gir" puts away the draw on the drum and the labels.
    platform.scriptNumbers({1, 2, 3, 4, 5, 6});
    press("SSCommand7");
    press("SSCommand9");
    EXPECT_EQ(ballsOf(kGrey).size(), 49u);
    EXPECT_EQ(labels(), kEmptyRow);
    pick({5, 12, 3});
    EXPECT_EQ(labels(), texts({5, 12, 3, 0, 0, 0}));
    pick({12});
    EXPECT_EQ(labels(), texts({5, 3, 0, 0, 0, 0}));
    pick({40, 7, 33, 1});
    expectNoEffect([&] { EXPECT_TRUE(click("bas49")); });
    // Freeing one makes room, and the newcomer goes to the end.
    pick({3, 49});
    EXPECT_EQ(labels(), texts({5, 40, 7, 33, 1, 49}));
    // A beep for each number taken, none for one put back or refused.
    EXPECT_EQ(platform.beeps, 8);

    // Vazgeç drops the pick and the draw, and the next Gir starts on a clean grid.
    press("Vazgeç");
    EXPECT_EQ(labels(), kEmptyRow);
    expectNoEffect([&] { EXPECT_TRUE(click("SSCommand8")); });
    press("SSCommand9");
    pick({49, 3, 17, 8, 30});
    expectNoEffect([&] { EXPECT_TRUE(click("Tamam")); });
    pick({40});
    press("Tamam");
    EXPECT_EQ(platform.beeps, 15) << "and one for the pick taken";
    const Numbers sorted = {3, 8, 17, 30, 40, 49};
    EXPECT_EQ(labels(), texts(sorted));
    EXPECT_EQ(ballsOf(kYellow), sorted);
    press("SSCommand8");
    EXPECT_EQ(ballsOf(kBlue), sorted);
    EXPECT_EQ(row(1), texts(sorted));
    EXPECT_EQ(couponMemory(), columns({sorted}));

    // A result entry is for the check: the drop leaves it on the drum and off the coupon.
    enterByHand(3, {16, 11, 15, 12, 14, 13});
    press("SSCommand8");
    EXPECT_EQ(labels(), texts({11, 12, 13, 14, 15, 16}));
    EXPECT_EQ(row(2), kEmptyRow);
    EXPECT_EQ(couponMemory(), columns({sorted}));
}

// The entry lock set is every command button (SSCommand2 to SSCommand26, there is no
// SSCommand10) but "Sına" (SSCommand4) and the save button of slot e (SSCommand26), which
// stays live throughout.
TEST_F(HandEntry, ButtonsLiveAfterEachStepOfBothModes) {
    start();
    struct Step {
        const char* clicks;
        bool lockSet, sina, grid;
    };
    for (const Step& step : {
             Step{"", true, false, false},
             Step{"SSCommand9 bas1 bas2", false, false, true},
             Step{"Vazgeç", true, false, false},
             Step{"SSCommand3 bas1 bas2 bas3 bas4 bas5 bas6 Tamam", true, true, false},
             Step{"SSCommand7", true, false, false},
             Step{"SSCommand3", false, false, true},
             Step{"Vazgeç", true, false, false},
             Step{"SSCommand9 bas1 bas2 bas3 bas4 bas5 bas6 Tamam", true, true, false},
             Step{"SSCommand8", true, false, false},
             // Column entry ends the result entry: a load no longer offers the check.
             Step{"SSCommand9 Vazgeç SSCommand12", true, false, false},
         }) {
        SCOPED_TRACE(step.clicks);
        std::istringstream clicks(step.clicks);
        for (std::string name; clicks >> name;) {
            press(name);
        }
        for (int n = 2; n <= 26; n += n == 9 ? 2 : 1) {
            EXPECT_EQ(enabled(cmd(n)), n == 26 || (n == 4 ? step.sina : step.lockSet)) << n;
        }
        EXPECT_EQ(shown("Tamam"), step.grid);
    }
}

} // namespace krn::test
