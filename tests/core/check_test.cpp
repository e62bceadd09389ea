// Testing a stored coupon against a draw: "Sına" after a hand-entered result and
// "At Sına" with a fresh draw.
#include "scenario.h"

#include <cerrno>

namespace krn::test {
namespace {

const Colour kHitBack = rgb(128, 0, 128);
const Colour kHitFore = rgb(0, 255, 0);
const Colour kPanelBack = rgb(192, 192, 168);
const Colour kWhite = rgb(255, 255, 255);

class Check : public Scenario {
  protected:
    // Column 1 holds three of the draw 1 2 3 30 31 32, column 2 two, column 3 none;
    // the other five columns are empty.
    void SetUp() override {
        writeRecord(
            'a', columns({{1, 2, 3, 4, 5, 6}, {10, 1, 11, 2, 12, 13}, {20, 21, 22, 23, 24, 25}}));
    }
    bool isHit(int c, int i) { return back(cell(c, i)) == kHitBack; }
    int hitCells() {
        int hits = 0;
        for (int c = 1; c <= 8; ++c) {
            for (int i = 1; i <= 6; ++i) {
                hits += isHit(c, i) ? 1 : 0;
            }
        }
        return hits;
    }
    void expectPlainPanel(int c) {
        EXPECT_EQ(caption(result(c)), "") << c;
        EXPECT_EQ(back(result(c)), kPanelBack) << c;
        EXPECT_EQ(fore(result(c)), kHitFore) << c;
    }
    void expectMarksOfTheSample() {
        for (int i = 1; i <= 6; ++i) {
            EXPECT_EQ(isHit(1, i), i <= 3) << i;
        }
        EXPECT_EQ(fore(cell(1, 1)), kHitFore);
        EXPECT_EQ(back(cell(1, 4)), kGrey);
        EXPECT_EQ(fore(cell(1, 4)), kBlack);
        EXPECT_EQ(caption(result(1)), "3");
        EXPECT_EQ(back(result(1)), kRed);
        EXPECT_EQ(fore(result(1)), kWhite);
        EXPECT_TRUE(isHit(2, 2));
        EXPECT_TRUE(isHit(2, 4));
        EXPECT_EQ(caption(result(2)), "2");
        EXPECT_EQ(back(result(2)), kPanelBack);
        EXPECT_EQ(fore(result(2)), kHitBack);
        for (int c = 3; c <= 8; ++c) {
            expectPlainPanel(c);
        }
        EXPECT_EQ(hitCells(), 5);
    }
};

TEST_F(Check, SinaMarksHitsAndCountsThemPerColumn) {
    start();
    ASSERT_TRUE(click(loadButton('a')));
    enterByHand(3, {32, 1, 31, 2, 30, 3});
    ASSERT_TRUE(enabled("SSCommand4"));
    ASSERT_TRUE(click("SSCommand4"));
    expectMarksOfTheSample();
    EXPECT_EQ(labels(), texts({1, 2, 3, 30, 31, 32}));
    EXPECT_EQ(ballsOf(kYellow), (std::vector<int>{1, 2, 3, 30, 31, 32}));
    EXPECT_FALSE(enabled("SSCommand4"));
    EXPECT_EQ(state().columnHits, 0);
    EXPECT_EQ(openSlotFiles(), 0);

    // The next result entry wipes the marks.
    ASSERT_TRUE(click("SSCommand3"));
    EXPECT_EQ(hitCells(), 0);
    for (int c = 1; c <= 8; ++c) {
        expectPlainPanel(c);
    }
}

TEST_F(Check, ALoadAfterTheResultEntryEnablesSina) {
    start();
    enterByHand(3, {1, 2, 3, 30, 31, 32});
    ASSERT_TRUE(click("SSCommand2"));
    ASSERT_FALSE(enabled("SSCommand4"));
    ASSERT_TRUE(click(loadButton('a')));
    ASSERT_TRUE(enabled("SSCommand4"));
    ASSERT_TRUE(click("SSCommand4"));
    expectMarksOfTheSample();
}

TEST_F(Check, SinaWithoutADrawClearsTheLabelsAndStaysEnabled) {
    start();
    ASSERT_TRUE(click("SSCommand3"));
    pickNumbers({7, 8});
    ASSERT_TRUE(click("Vazgeç"));
    ASSERT_TRUE(click(loadButton('a')));
    ASSERT_TRUE(enabled("SSCommand4"));
    ASSERT_TRUE(click("SSCommand4"));
    EXPECT_EQ(hitCells(), 0);
    EXPECT_EQ(labels(), kEmptyRow);
    EXPECT_TRUE(enabled("SSCommand4"));
}

TEST_F(Check, AtSinaDrawsAndMarksAndSinaWaitsForTheNextResultEntry) {
    start();
    enterByHand(3, {40, 41, 42, 43, 44, 45});
    ASSERT_TRUE(click(loadButton('a')));
    platform.scriptNumbers({31, 3, 30, 2, 32, 1});
    ASSERT_TRUE(click("SSCommand5"));
    expectMarksOfTheSample();
    EXPECT_EQ(labels(), texts({1, 2, 3, 30, 31, 32}));
    EXPECT_FALSE(enabled("SSCommand4"));
    EXPECT_EQ(state().atTestDone, 1);
    EXPECT_EQ(state().entryAllowed, 0);
    EXPECT_EQ(state().filledColumns, 0);

    // No click can reach "Sına" now; even called, it leaves everything as it is.
    ASSERT_TRUE(click(loadButton('a')));
    EXPECT_FALSE(enabled("SSCommand4"));
    const AppState before = state();
    w().controls().takeChanged();
    w().onSinaClicked();
    EXPECT_EQ(state(), before);
    EXPECT_FALSE(w().controls().anyChanged());

    enterByHand(3, {1, 2, 3, 30, 31, 32});
    ASSERT_TRUE(click("SSCommand4"));
    expectMarksOfTheSample();
}

TEST_F(Check, WithNoSlotLoadedNeitherButtonDoesAnything) {
    start();
    round({1, 2, 3, 30, 31, 32});
    enterByHand(3, {1, 2, 3, 30, 31, 32});
    ASSERT_FALSE(caption("SSPanel7").empty());
    ASSERT_TRUE(enabled("SSCommand4"));
    platform.scriptNumbers({5, 6, 7, 8, 9, 10});
    const AppState before = state();
    w().controls().takeChanged();
    ASSERT_TRUE(click("SSCommand4"));
    ASSERT_TRUE(click("SSCommand5"));
    EXPECT_EQ(state(), before);
    EXPECT_FALSE(w().controls().anyChanged());
    EXPECT_EQ(platform.randoms.size(), 6u);
}

TEST_F(Check, AnEmptyFirstCellIsNeverTested) {
    writeRecord('b', columns({{0, 0, 0, 0, 0, 0}, {1, 2, 3, 4, 5, 6}}));
    start();
    ASSERT_TRUE(click(loadButton('b')));
    enterByHand(3, {1, 2, 3, 4, 5, 6});
    platform.scriptNumbers({1, 2, 3, 4, 5, 6});
    w().controls().takeChanged();
    ASSERT_TRUE(click("SSCommand4"));
    ASSERT_TRUE(click("SSCommand5"));
    EXPECT_FALSE(w().controls().anyChanged());
    EXPECT_EQ(state().atTestDone, 0);
}

TEST_F(Check, MarksFollowTheFileNotTheScreen) {
    start();
    ASSERT_TRUE(click(loadButton('a')));
    // Another program changes the file under the coupon on display.
    writeRecord('a', columns({{1, 2, 3, 40, 41, 42}, {7, 7, 9, 9, 9, 9}}));
    enterByHand(3, {2, 4, 5, 7, 40, 48});
    ASSERT_TRUE(click("SSCommand4"));
    EXPECT_TRUE(isHit(1, 2));
    EXPECT_TRUE(isHit(1, 4));
    EXPECT_EQ(caption(cell(1, 4)), "40");
    // On screen these read 5 and 6, drawn or not: the file says 41 and 42.
    EXPECT_FALSE(isHit(1, 5));
    EXPECT_EQ(caption(cell(1, 5)), "5");
    EXPECT_EQ(caption(result(1)), "2");
    // Column 2 is on screen as 10 1 11 2 12 13; the file's 7 stands twice.
    EXPECT_TRUE(isHit(2, 1));
    EXPECT_TRUE(isHit(2, 2));
    EXPECT_EQ(caption(cell(2, 2)), "7");
    EXPECT_FALSE(isHit(2, 4));
    EXPECT_EQ(caption(result(2)), "2");
}

TEST_F(Check, AnEmptiedSlotOnDisplayHasNoHits) {
    start();
    ASSERT_TRUE(click(loadButton('a')));
    ASSERT_TRUE(click(emptyButton('a')));
    enterByHand(3, {1, 2, 3, 30, 31, 32});
    ASSERT_TRUE(click("SSCommand4"));
    EXPECT_EQ(hitCells(), 0);
    for (int c = 1; c <= 8; ++c) {
        expectPlainPanel(c);
    }
    EXPECT_EQ(row(1), texts({1, 2, 3, 4, 5, 6}));
}

TEST_F(Check, AnUnreadableSlotFileIsReportedAndNothingIsMarked) {
    start();
    ASSERT_TRUE(click(loadButton('a')));
    enterByHand(3, {1, 2, 3, 30, 31, 32});
    std::filesystem::remove(slotFile('a'));
    std::filesystem::create_directory(slotFile('a'));
    ASSERT_TRUE(click("SSCommand4"));
    ASSERT_EQ(platform.messages.size(), 1u);
    EXPECT_EQ(platform.messages[0].title, "KRN Dernovak");
    EXPECT_NE(platform.messages[0].text.find(slotFile('a').string()), std::string::npos);
    EXPECT_NE(platform.messages[0].text.find(reasonText(EISDIR)), std::string::npos);
    closeMessage();
    EXPECT_EQ(hitCells(), 0);
    for (int c = 1; c <= 8; ++c) {
        expectPlainPanel(c);
    }
    EXPECT_FALSE(w().ended());
    EXPECT_EQ(openSlotFiles(), 0);
}

} // namespace
} // namespace krn::test
