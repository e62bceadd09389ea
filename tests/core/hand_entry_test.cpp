// Picking six by hand on the grid, the two "Gir" modes and which buttons are live when.
#include "scenario.h"

#include <map>

namespace krn::test {
namespace {

using HandEntry = Scenario;

const Colour kPickedBack = rgb(0, 0, 0);
const Colour kPickedFore = rgb(255, 250, 0);
const Colour kFreeBack = rgb(192, 164, 160);
const Colour kFreeFore = rgb(0, 0, 192);

TEST_F(HandEntry, PickShowsLiveInClickOrderAndRefusesASeventh) {
    start();
    ASSERT_TRUE(click("SSCommand9"));
    EXPECT_EQ(labels(), kEmptyRow);
    pickNumbers({5, 12, 3});
    EXPECT_EQ(labels(), texts({5, 12, 3, 0, 0, 0}));
    EXPECT_EQ(platform.beeps, 3);
    EXPECT_EQ(back("bas12"), kPickedBack);
    EXPECT_EQ(fore("bas12"), kPickedFore);

    ASSERT_TRUE(click("bas12"));
    EXPECT_EQ(labels(), texts({5, 3, 0, 0, 0, 0}));
    EXPECT_EQ(platform.beeps, 3);
    EXPECT_EQ(back("bas12"), kFreeBack);
    EXPECT_EQ(fore("bas12"), kFreeFore);
    EXPECT_EQ(state().selectedCount, 2);
    EXPECT_EQ(state().numberSelected[12], 0);

    pickNumbers({40, 7, 33, 1});
    EXPECT_EQ(state().selectedCount, 6);
    const AppState full = state();
    w().controls().takeChanged();
    ASSERT_TRUE(click("bas49"));
    EXPECT_EQ(state(), full);
    EXPECT_FALSE(w().controls().anyChanged());
    EXPECT_EQ(platform.beeps, 7);

    // Freeing one makes room, and the newcomer goes to the end.
    pickNumbers({3, 49});
    EXPECT_EQ(labels(), texts({5, 40, 7, 33, 1, 49}));

    // A number picked and put back again and again leaves no trace.
    pickNumbers({49, 49, 49});
    EXPECT_EQ(state().selectedCount, 5);
    EXPECT_EQ(state().pickNumbers[6], 0);
    EXPECT_EQ(back("bas49"), kFreeBack);
}

TEST_F(HandEntry, TamamSortsTheSixOntoLabelsAndDrum) {
    start();
    ASSERT_TRUE(click("SSCommand9"));
    pickNumbers({40, 7, 33, 1, 25});
    const AppState five = state();
    w().controls().takeChanged();
    ASSERT_TRUE(click("Tamam"));
    EXPECT_EQ(state(), five);
    EXPECT_FALSE(w().controls().anyChanged());
    EXPECT_TRUE(shown("Basınç"));

    pickNumbers({18});
    ASSERT_TRUE(click("Tamam"));
    EXPECT_EQ(platform.beeps, 7);
    const std::vector<int> sorted = {1, 7, 18, 25, 33, 40};
    for (int k = 1; k <= 6; ++k) {
        EXPECT_EQ(state().drawNumbers[k], sorted[k - 1]);
    }
    EXPECT_EQ(labels(), texts({1, 7, 18, 25, 33, 40}));
    EXPECT_EQ(ballsOf(kYellow), sorted);
    EXPECT_EQ(ballsOf(kGrey).size(), 43u);
    EXPECT_EQ(state().selectedCount, 0);
    EXPECT_EQ(state().pickNumbers, AppState{}.pickNumbers);
    EXPECT_EQ(state().numberSelected, AppState{}.numberSelected);
    EXPECT_FALSE(shown("Basınç"));
    EXPECT_NE(state().drawPending, 0);
    EXPECT_EQ(state().entryAllowed, 1);
}

TEST_F(HandEntry, ColumnEntryReachesTheCouponAndResultEntryDoesNot) {
    start();
    round({2, 4, 6, 8, 10, 12});
    enterByHand(9, {49, 3, 17, 8, 30, 22});
    drop();
    EXPECT_EQ(row(2), texts({3, 8, 17, 22, 30, 49}));
    EXPECT_EQ(ballsOf(kBlue), (std::vector<int>{3, 8, 17, 22, 30, 49}));
    EXPECT_EQ(couponMemory(), columns({{2, 4, 6, 8, 10, 12}, {3, 8, 17, 22, 30, 49}}));

    enterByHand(3, {11, 12, 13, 14, 15, 16});
    const std::vector<int> memory = couponMemory();
    ASSERT_TRUE(click("SSCommand8"));
    EXPECT_EQ(row(3), kEmptyRow);
    EXPECT_EQ(couponMemory(), memory);
    EXPECT_EQ(state().filledColumns, 2);
    EXPECT_EQ(ballsOf(kYellow), (std::vector<int>{11, 12, 13, 14, 15, 16}));
    EXPECT_EQ(labels(), texts({11, 12, 13, 14, 15, 16}));
}

TEST_F(HandEntry, VazgecLeavesSinaDisabledAndTheNextGirStartsClean) {
    start();
    enterByHand(3, {1, 2, 3, 4, 5, 6});
    ASSERT_TRUE(enabled("SSCommand4"));
    ASSERT_TRUE(click("SSCommand3"));
    pickNumbers({9, 19, 29});
    ASSERT_TRUE(click("Vazgeç"));
    EXPECT_FALSE(shown("Basınç"));
    EXPECT_EQ(labels(), kEmptyRow);
    EXPECT_FALSE(enabled("SSCommand4"));
    EXPECT_EQ(state().drawNumbers, AppState{}.drawNumbers);
    EXPECT_EQ(state().pickNumbers, AppState{}.pickNumbers);
    EXPECT_EQ(state().numberSelected, AppState{}.numberSelected);
    EXPECT_EQ(state().drawPending, 0);

    ASSERT_TRUE(click("SSCommand9"));
    EXPECT_EQ(state().selectedCount, 0);
    EXPECT_EQ(labels(), kEmptyRow);
    for (int n = 1; n <= 49; ++n) {
        EXPECT_EQ(back(bas(n)), kFreeBack) << n;
        EXPECT_EQ(fore(bas(n)), kFreeFore) << n;
    }
    pickNumbers({29});
    EXPECT_EQ(labels(), texts({29, 0, 0, 0, 0, 0}));
}

// Which buttons are live after each event of the two hand-entry modes.
enum class Live { On, Off, Same };
struct EventColumn {
    const char* event;
    Live lockSet; // the entry lock set without "Sına"
    Live sina;
    Live saveE; // SSCommand26, outside the lock set
    bool gridShown;
};
constexpr EventColumn kEnabledTable[] = {
    {"opens", Live::On, Live::Off, Live::On, false},
    {"SSCommand9", Live::Off, Live::Off, Live::Same, true},
    {"SSCommand3", Live::Off, Live::Off, Live::Same, true},
    {"Tamam", Live::On, Live::On, Live::Same, false},
    {"Vazgeç", Live::On, Live::Off, Live::Same, false},
};

class EnabledStates : public Scenario {
  protected:
    std::vector<std::string> buttons() {
        std::vector<std::string> out;
        for (int n = 2; n <= 26; ++n) {
            if (n != 10) {
                out.push_back(cmd(n));
            }
        }
        return out;
    }
    void apply(const EventColumn& column) {
        for (const std::string& b : buttons()) {
            const Live rule = b == "SSCommand4"    ? column.sina
                              : b == "SSCommand26" ? column.saveE
                                                   : column.lockSet;
            if (rule != Live::Same) {
                expected[b] = rule == Live::On;
            }
        }
        gridShown = column.gridShown;
    }
    void check(const std::string& after) {
        SCOPED_TRACE("after " + after);
        for (const std::string& b : buttons()) {
            EXPECT_EQ(enabled(b), expected[b]) << b;
        }
        EXPECT_TRUE(enabled("SSCommand26"));
        EXPECT_EQ(shown("Tamam"), gridShown);
        EXPECT_EQ(shown("Vazgeç"), gridShown);
    }
    void play(const std::vector<std::string>& events) {
        for (const std::string& event : events) {
            const bool sixPicked = state().selectedCount == 6;
            ASSERT_TRUE(click(event)) << event;
            for (const EventColumn& column : kEnabledTable) {
                if (event == column.event && (event != "Tamam" || sixPicked)) {
                    apply(column);
                }
            }
            check(event);
        }
    }

    std::map<std::string, bool> expected;
    bool gridShown{false};
};

TEST_F(EnabledStates, FollowTheTableThroughBothModes) {
    start();
    apply(kEnabledTable[0]);
    check("start-up");
    play({"SSCommand9", "bas1", "bas2", "bas3", "bas4", "bas5", "Tamam", "bas6", "bas7",
          "SSCommand26", "Tamam"});
    play({"SSCommand3", "bas40", "bas41", "Vazgeç"});
    play({"SSCommand3", "bas10", "bas11", "bas12", "bas13", "bas14", "bas15", "bas14", "Tamam",
          "bas16", "Tamam"});
    play({"SSCommand9", "Vazgeç", "SSCommand9", "bas1", "bas2", "bas3", "bas4", "bas5", "bas6",
          "Tamam"});
}

TEST_F(HandEntry, ColumnGirAfterALoadOrAResultEntryRestartsTheCoupon) {
    writeRecord('b', columns({{1, 2, 3, 4, 5, 6}, {7, 8, 9, 10, 11, 12}}));
    start();
    ASSERT_TRUE(click(loadButton('b')));
    ASSERT_EQ(back(lamp('b')), kYellow);
    ASSERT_EQ(row(2), texts({7, 8, 9, 10, 11, 12}));
    ASSERT_TRUE(click("SSCommand9"));
    for (char s = 'a'; s <= 'e'; ++s) {
        EXPECT_EQ(back(lamp(s)), kBlack) << s;
    }
    EXPECT_TRUE(couponCellsEmpty());
    EXPECT_EQ(state().currentSlotPath, "");
    EXPECT_EQ(state().slotShown, 0);
    pickNumbers({20, 21, 22, 23, 24, 25});
    ASSERT_TRUE(click("Tamam"));
    drop();
    EXPECT_EQ(row(1), texts({20, 21, 22, 23, 24, 25}));

    round({30, 31, 32, 33, 34, 35});
    enterByHand(3, {1, 2, 3, 4, 5, 6});
    ASSERT_TRUE(click("SSCommand9"));
    EXPECT_TRUE(couponCellsEmpty());
    EXPECT_EQ(state().filledColumns, 0);
    pickNumbers({41, 42, 43, 44, 45, 46});
    ASSERT_TRUE(click("Tamam"));
    drop();
    EXPECT_EQ(row(1), texts({41, 42, 43, 44, 45, 46}));
    EXPECT_EQ(row(2), kEmptyRow);
    EXPECT_EQ(couponMemory(), columns({{41, 42, 43, 44, 45, 46}}));
}

TEST_F(HandEntry, ColumnGirOnAFullCouponEmptiesItFirst) {
    start();
    for (int c = 1; c <= 8; ++c) {
        round({c, c + 8, c + 16, c + 24, c + 32, c + 40});
    }
    closeMessage();
    ASSERT_EQ(state().couponFull, 1);
    ASSERT_TRUE(click("SSCommand9"));
    EXPECT_TRUE(couponCellsEmpty());
    EXPECT_EQ(state().couponFull, 0);
    EXPECT_TRUE(shown("Basınç"));
}

} // namespace
} // namespace krn::test
