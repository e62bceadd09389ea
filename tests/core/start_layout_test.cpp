// The window as it opens, the geometry that is easy to get wrong, the picture sequence
// and the exit.
#include "scenario.h"

#include <array>
#include <tuple>

namespace krn::test {

using StartAndLayout = Scenario;

TEST_F(StartAndLayout, OpensInItsDesignLayoutWithZeroStateAndOnlySinaDisabled) {
    start();
    EXPECT_EQ(state(), AppState{});
    EXPECT_EQ(platform.seeds, 1);
    for (const char* name : {"Basınç", "Tamam", "bas1", "Logo", "Logo2", "Logo3"}) {
        EXPECT_FALSE(shown(name)) << name;
    }
    // SSCommand2 to SSCommand26; there is no SSCommand10. The disabled one takes no click.
    for (int n = 2; n <= 26; n += n == 9 ? 2 : 1) {
        EXPECT_EQ(enabled(cmd(n)), n != 4) << n;
    }
    EXPECT_FALSE(click("SSCommand4"));

    // Rows of nine: bas10 and ball 9 open the second row. Name, container, left, top,
    // width and height in the container.
    const std::tuple<const char*, const char*, std::array<int, 4>> rows[] = {
        {"bas10", "Basınç", {180, 660, 435, 435}},
        {"SSPanel67(9)", "MainWindow", {120, 960, 135, 135}},
        {"SSPanel32", "SSPanel6", {1080, 2160, 735, 375}},
    };
    for (const auto& [name, container, box] : rows) {
        const Control& c = ctl(name);
        EXPECT_EQ(c.container, w().controls().find(container)) << name;
        EXPECT_EQ((std::array{c.left, c.top, c.width, c.height}), box) << name;
    }
    // The open grid covers the coupon cells, corner to corner, and leaves the result
    // panels clear; the stored wheel frames lie right of the client area.
    const Control &grid = ctl("Basınç"), &first = ctl(cell(1, 1)), &last = ctl(cell(8, 6));
    EXPECT_TRUE(first.left >= grid.left && first.top >= grid.top);
    EXPECT_LE(last.left + last.width, grid.left + grid.width);
    EXPECT_LE(last.top + last.height, grid.top + grid.height);
    EXPECT_GE(ctl(result(1)).left, grid.left + grid.width);
    EXPECT_GE(w().controls().windowLeft(w().controls().storedFrame(0)), ctl("MainWindow").width);
}

TEST_F(StartAndLayout, PictureSequenceRepeatsAndCikEndsTheProgram) {
    start();
    for (int run = 0; run < 2; ++run) {
        EXPECT_FALSE(click("Logo2")); // hidden pictures take no click
        press("SSCommand11");
        EXPECT_EQ(caption("MainWindow"), std::string(73, ' ') + "KRN_Dernovak");
        EXPECT_FALSE(shown("Logo"));
        press("Logo2");
        press("Logo");
        EXPECT_TRUE(shown("Logo2") && shown("Logo") && shown("Logo3"));
        press("Logo3");
        EXPECT_FALSE(shown("Logo2") || shown("Logo") || shown("Logo3"));
        EXPECT_EQ(caption("MainWindow"), "");
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

} // namespace krn::test
