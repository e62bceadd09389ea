// The window as it opens, the geometry that is easy to get wrong, the picture sequence
// and the exit.
#include "scenario.h"

namespace krn::test {
namespace {

using StartAndLayout = Scenario;

TEST_F(StartAndLayout, OpensWithZeroStateHiddenGridAndOnlySinaDisabled) {
    start();
    EXPECT_EQ(state(), AppState{});
    EXPECT_EQ(platform.seeds, 1);
    EXPECT_TRUE(platform.messages.empty());
    for (const char* name : {"Basınç", "Tamam", "bas1", "Logo", "Logo2", "Logo3"}) {
        EXPECT_FALSE(shown(name)) << name;
    }
    // SSCommand2 to SSCommand26; there is no SSCommand10.
    for (int n = 2; n <= 26; n += n == 9 ? 2 : 1) {
        EXPECT_EQ(enabled(cmd(n)), n != 4) << n;
    }
    EXPECT_EQ(labels(), kEmptyRow);
    EXPECT_TRUE(couponCellsEmpty());
    EXPECT_EQ(caption("MainWindow"), std::string(13, ' '));
}

TEST_F(StartAndLayout, GeometryThatIsEasyToGetWrong) {
    start();
    const Controls& ui = w().controls();
    auto at = [&](const std::string& name) {
        return std::pair{ui.windowLeft(id(name)), ui.windowTop(id(name))};
    };
    // In their containers: bas10 opens the second grid row, SSPanel67(9) the second drum row.
    EXPECT_EQ((std::pair{ctl("bas10").left, ctl("bas10").top}), (std::pair{180, 660}));
    EXPECT_EQ(at("SSPanel67(9)"), (std::pair{120, 960}));
    // The stored wheel frames lie right of the client area.
    for (const char* frame : {"Image9(0)", "Image9(1)", "Image9(2)"}) {
        EXPECT_GE(at(frame).first, ctl("MainWindow").width) << frame;
    }
    // The open grid covers every coupon cell and leaves the result panels and frames clear.
    const auto [gl, gt] = at("Basınç");
    const int gr = gl + ctl("Basınç").width;
    const int gb = gt + ctl("Basınç").height;
    for (int c = 1; c <= 8; ++c) {
        for (int i = 1; i <= 6; ++i) {
            const auto [l, t] = at(cell(c, i));
            EXPECT_TRUE(l >= gl && t >= gt && l + ctl(cell(c, i)).width <= gr &&
                        t + ctl(cell(c, i)).height <= gb)
                << cell(c, i);
        }
        EXPECT_GE(at(result(c)).first, gr) << result(c);
    }
    EXPECT_GE(at("SSPanel63").first, gr);

    struct Row {
        const char* name;
        const char* container;
        int left, top, width, height;
        const char* caption;
    };
    for (const Row& r : {
             Row{"SSCommand7", "SSPanel69", 60, 120, 735, 375, "Çevir"},
             Row{"SSCommand5", "SSPanel69", 4140, 120, 795, 375, "At Sına"},
             Row{"Label1", "SSPanel70", 60, 180, 795, 735, ""},
             Row{"Label22", "SSPanel66", 5040, 120, 135, 135, ""},
             Row{"Tamam", "Basınç", 3840, 3060, 1095, 555, "Tamam"},
             Row{"SSPanel32", "SSPanel6", 1080, 2160, 735, 375, ""},
             Row{"SSPanel58", "SSPanel6", 5280, 1620, 735, 495, ""},
             Row{"Image7", "SSPanel64", 120, 120, 135, 135, ""},
         }) {
        const Control& c = ctl(r.name);
        EXPECT_EQ(c.container, id(r.container)) << r.name;
        EXPECT_EQ((std::vector{c.left, c.top, c.width, c.height}),
                  (std::vector{r.left, r.top, r.width, r.height}))
            << r.name;
        EXPECT_EQ(c.caption, r.caption) << r.name;
    }
}

TEST_F(StartAndLayout, PictureSequenceRunsAndRepeats) {
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
    EXPECT_EQ(state(), AppState{});
}

TEST_F(StartAndLayout, CikEndsTheProgramAndNothingRunsAfter) {
    start();
    round({3, 9, 14, 22, 31, 45});
    press("SSCommand6");
    EXPECT_EQ(platform.quits, 1);
    expectNoEffect([&] {
        EXPECT_FALSE(click("SSCommand7"));
        EXPECT_FALSE(click(saveButton('a')));
        w().tick(4);
    });
    // Nothing is saved on the way out.
    EXPECT_EQ(std::filesystem::file_size(slotFile('a')), 0u);
}

} // namespace
} // namespace krn::test
