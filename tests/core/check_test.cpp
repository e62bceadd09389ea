// Testing a stored coupon against a draw: "Sına" after a hand-entered result and
// "At Sına" with a fresh draw.
#include "scenario.h"

#include <cerrno>

namespace krn::test {
namespace {

const Colour kHitBack = rgb(128, 0, 128);
const Colour kGreen = rgb(0, 255, 0);
const Colour kPanelBack = rgb(192, 192, 168);
const std::vector<std::string> kNoMarks(8, "");

class Check : public Scenario {
  protected:
    // Column 1 holds three of the draw 1 2 3 30 31 32, column 2 two, column 3 none; the
    // other five columns are empty.
    void SetUp() override {
        writeFile('a',
                  recordBytes(columns(
                      {{1, 2, 3, 4, 5, 6}, {10, 1, 11, 2, 12, 13}, {20, 21, 22, 23, 24, 25}})));
    }
    // For each column, the caption of its result panel and the cells marked as hits.
    std::vector<std::string> marks() {
        std::vector<std::string> out;
        for (int c = 1; c <= 8; ++c) {
            std::string m = caption(result(c));
            for (int i = 1; i <= 6; ++i) {
                if (back(cell(c, i)) == kHitBack && ctl(cell(c, i)).fore == kGreen) {
                    m += " " + std::to_string(i);
                }
            }
            out.push_back(m);
        }
        return out;
    }
    void expectSampleMarked() {
        EXPECT_EQ(marks(), (std::vector<std::string>{"3 1 2 3", "2 2 4", "", "", "", "", "", ""}));
        EXPECT_EQ(back(cell(1, 4)), kGrey);
        // Three hits or more show in red, fewer in purple on the panel's own colour.
        const std::pair<Colour, Colour> panels[] = {
            {kRed, rgb(255, 255, 255)}, {kPanelBack, kHitBack}, {kPanelBack, kGreen}};
        for (int c = 1; c <= 3; ++c) {
            EXPECT_EQ(back(result(c)), panels[c - 1].first) << c;
            EXPECT_EQ(ctl(result(c)).fore, panels[c - 1].second) << c;
        }
    }
};

TEST_F(Check, SinaMarksHitsPerColumnUntilTheNextResultEntry) {
    start();
    enterByHand(3, {32, 1, 31, 2, 30, 3});
    press("SSCommand2");
    ASSERT_FALSE(enabled("SSCommand4"));
    // A load after the result entry makes the check possible.
    press(loadButton('a'));
    press("SSCommand4");
    expectSampleMarked();
    EXPECT_EQ(labels(), texts({1, 2, 3, 30, 31, 32}));
    EXPECT_EQ(ballsOf(kYellow), (Numbers{1, 2, 3, 30, 31, 32}));
    EXPECT_FALSE(enabled("SSCommand4"));
    press("SSCommand3");
    EXPECT_EQ(marks(), kNoMarks);
}

TEST_F(Check, SinaWithoutADrawClearsTheLabelsAndStaysLive) {
    start();
    press("SSCommand3");
    pick({7, 8});
    press("Vazgeç");
    press(loadButton('a'));
    press("SSCommand4");
    EXPECT_EQ(marks(), kNoMarks);
    EXPECT_EQ(labels(), kEmptyRow);
    EXPECT_TRUE(enabled("SSCommand4"));
}

TEST_F(Check, AtSinaDrawsAndMarksAndSinaWaitsForTheNextResultEntry) {
    start();
    enterByHand(3, {40, 41, 42, 43, 44, 45});
    press(loadButton('a'));
    platform.scriptNumbers({31, 3, 30, 2, 32, 1});
    press("SSCommand5");
    expectSampleMarked();
    EXPECT_EQ(labels(), texts({1, 2, 3, 30, 31, 32}));
    // Not even a new load brings "Sına" back, and called all the same it does nothing.
    press(loadButton('a'));
    EXPECT_FALSE(enabled("SSCommand4"));
    expectNoEffect([&] { w().onSinaClicked(); });
    enterByHand(3, {1, 2, 3, 30, 31, 32});
    press("SSCommand4");
    expectSampleMarked();
}

TEST_F(Check, WithNoCouponOnDisplayNeitherButtonDoesAnything) {
    writeFile('b', recordBytes(columns({{0, 0, 0, 0, 0, 0}, {1, 2, 3, 4, 5, 6}})));
    start();
    // The coupon on screen is not a loaded slot.
    round({1, 2, 3, 30, 31, 32});
    enterByHand(3, {1, 2, 3, 30, 31, 32});
    platform.scriptNumbers({5, 6, 7, 8, 9, 10});
    auto both = [&] {
        press("SSCommand4");
        press("SSCommand5");
    };
    expectNoEffect(both);
    // A slot whose first column is empty shows nothing to test.
    press(loadButton('b'));
    expectNoEffect(both);
    EXPECT_EQ(platform.randoms.size(), 6u);
}

TEST_F(Check, MarksFollowTheFileNotTheScreen) {
    start();
    press(loadButton('a'));
    // Another program changes the file under the coupon on display.
    writeFile('a', recordBytes(columns({{1, 2, 3, 40, 41, 42}, {7, 7, 9, 9, 9, 9}})));
    enterByHand(3, {2, 4, 5, 7, 40, 48});
    press("SSCommand4");
    // A hit shows the file's number, and one that stands twice counts twice.
    EXPECT_EQ(marks(), (std::vector<std::string>{"2 2 4", "2 1 2", "", "", "", "", "", ""}));
    EXPECT_EQ(row(1), texts({1, 2, 3, 40, 5, 6}));
    EXPECT_EQ(row(2), texts({7, 7, 11, 2, 12, 13}));
}

TEST_F(Check, AnUnreadableSlotFileIsReportedAndNothingIsMarked) {
    start();
    press(loadButton('a'));
    enterByHand(3, {1, 2, 3, 30, 31, 32});
    breakSlot('a');
    press("SSCommand4");
    ASSERT_EQ(platform.messages.size(), 1u);
    EXPECT_NE(platform.messages[0].text.find(slotFile('a').string()), std::string::npos);
    EXPECT_NE(platform.messages[0].text.find(reasonText(EISDIR)), std::string::npos);
    closeMessage();
    EXPECT_EQ(marks(), kNoMarks);
    EXPECT_FALSE(w().ended());
}

} // namespace
} // namespace krn::test
