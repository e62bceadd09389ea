// Testing a stored coupon against a draw: "Sına" after a hand-entered result and
// "At Sına" with a fresh draw.
#include "layout/access_text.h"
#include "scenario.h"

#include <cerrno>

namespace krn::test {

// Every column as a check leaves it: the count its result panel shows, then each cell as
// '.' plain or '*' a hit. That a cell has one of the two looks, and a count the colours of
// its number, are rules of the window, which every press checks.
const Texts kNoMarks(8, ":......");
const Texts kSampleMarks = {"3:***...", "2:.*.*..", ":......", ":......",
                            ":......",  ":......",  ":......", "4:*.**.*"};

class Check : public Scenario {
  protected:
    // Column 1 holds three of the draw 1 2 3 30 31 32, column 2 two, column 8 four; the
    // columns between are empty, so column 8 is not shown, but it is checked.
    void SetUp() override {
        Numbers sample = columns({{1, 2, 3, 4, 5, 6}, {10, 1, 11, 2, 12, 13}});
        std::copy_n(Numbers{30, 47, 31, 32, 48, 1}.begin(), 6, sample.begin() + 42);
        writeFile('a', recordBytes(sample));
    }
    Texts marks() {
        Texts out;
        for (int c = 1; c <= 8; ++c) {
            out.push_back(caption(result(c)) + ":");
            for (int i = 1; i <= 6; ++i) {
                out.back() += back(cell(c, i)) == kPurple ? '*' : '.';
            }
        }
        return out;
    }
};

TEST_F(Check, SinaAndAtSinaMarkHitsPerColumnOfTheLoadedSlot) {
    start();
    // A column pick is no draw to test against, though Tamam leaves "Sına" live.
    enterByHand(9, {32, 1, 31, 2, 30, 3});
    press(loadButton('a'));
    expectNoEffect([&] { EXPECT_TRUE(click("SSCommand4")); });
    enterByHand(3, {32, 1, 31, 2, 30, 3});
    press("SSCommand2");
    ASSERT_FALSE(enabled("SSCommand4"));
    // A load after the result entry makes the check possible.
    press(loadButton('a'));
    press("SSCommand4");
    EXPECT_EQ(marks(), kSampleMarks);
    // The reader hears the hits of every column, the eighth too.
    const Controls& ui = w().controls();
    EXPECT_EQ(actionReport(ui, ui.command(4), {ui.resultPanel(8)}, ui.command(3)),
              "1. kolon: 3 isabet; 2. kolon: 2 isabet; 8. kolon: 4 isabet");
    EXPECT_EQ(labels(), texts({1, 2, 3, 30, 31, 32}));
    EXPECT_EQ(ballsOf(kYellow), (Numbers{1, 2, 3, 30, 31, 32}));
    EXPECT_FALSE(enabled("SSCommand4"));
    // A new result entry puts the marks away, of the last column too. Given up, it leaves
    // no draw: "Sına" clears the labels and stays live.
    press("SSCommand3");
    EXPECT_EQ(marks(), kNoMarks);
    press("Vazgeç");
    press(loadButton('a'));
    press("SSCommand4");
    EXPECT_EQ(marks(), kNoMarks);
    EXPECT_EQ(labels(), kEmptyRow);
    EXPECT_TRUE(enabled("SSCommand4"));

    // "At Sına" draws and marks at once. Then not even a new load brings "Sına" back,
    // and called all the same it does nothing, until the next result entry.
    platform.scriptNumbers({31, 3, 30, 2, 32, 1});
    press("SSCommand5");
    EXPECT_FALSE(enabled("SSCommand4"));
    EXPECT_EQ(marks(), kSampleMarks);
    EXPECT_EQ(labels(), texts({1, 2, 3, 30, 31, 32}));
    // Sil puts the marks and the drum away.
    press("SSCommand2");
    EXPECT_EQ(marks(), kNoMarks);
    EXPECT_EQ(ballsOf(kGrey).size(), 49u);
    press(loadButton('a'));
    EXPECT_FALSE(enabled("SSCommand4"));
    expectNoEffect([&] { w().onSinaClicked(); });
    enterByHand(3, {1, 2, 3, 30, 31, 32});
    EXPECT_EQ(marks(), kNoMarks);
    press("SSCommand4");
    EXPECT_EQ(marks(), kSampleMarks);
}

TEST_F(Check, ADrawTakenIntoTheCouponIsNoLongerTheDrawToTestAgainst) {
    start();
    enterByHand(3, {1, 2, 3, 30, 31, 32});
    round({1, 2, 3, 30, 31, 32});
    press(loadButton('a'));
    press("SSCommand4");
    EXPECT_EQ(marks(), kNoMarks);
    EXPECT_EQ(labels(), kEmptyRow);
    EXPECT_TRUE(enabled("SSCommand4"));
}

TEST_F(Check, MarksFollowTheFileNotTheScreen) {
    start();
    press(loadButton('a'));
    // Another program changes the file under the coupon on display.
    writeFile('a', recordBytes(columns({{1, 2, 3, 40, 41, 42}, {7, 7, 9, 9, 9, 9}})));
    enterByHand(3, {2, 4, 5, 7, 40, 48});
    press("SSCommand4");
    // A hit shows the file's number, and one that stands twice counts twice.
    EXPECT_EQ(marks(), (Texts{"2:.*.*..", "2:**....", ":......", ":......", ":......", ":......",
                              ":......", ":......"}));
    EXPECT_EQ(row(1), texts({1, 2, 3, 40, 5, 6}));
    EXPECT_EQ(row(2), texts({7, 7, 11, 2, 12, 13}));

    // A coupon whose first cell is empty is never tested, by either button, though the
    // record holds hits behind it.
    enterByHand(3, {1, 2, 3, 30, 31, 32});
    writeFile('b', recordBytes(columns({{0, 1, 2, 3, 30, 31}})));
    press(loadButton('b'));
    expectNoEffect([&] { EXPECT_TRUE(click("SSCommand4") && click("SSCommand5")); });

    // A slot file that can no longer be read is reported, and nothing is marked.
    press(loadButton('a'));
    breakSlot('a');
    press("SSCommand4");
    readReport(0, {slotFile('a')}, EISDIR);
    EXPECT_EQ(marks(), kNoMarks);
    EXPECT_TRUE(enabled("SSCommand4"));
}

} // namespace krn::test
