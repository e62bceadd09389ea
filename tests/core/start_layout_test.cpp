// The window as it opens, its layout, the picture sequence and the exit.
#include "scenario.h"

namespace krn::test {
namespace {

using StartAndLayout = Scenario;

TEST_F(StartAndLayout, OpensWithZeroStateHiddenGridAndOnlySinaDisabled) {
    start();
    EXPECT_EQ(state(), AppState{});
    EXPECT_EQ(platform.seeds, 1);
    EXPECT_TRUE(platform.messages.empty());

    for (const char* name :
         {"Basınç", "Tamam", "Vazgeç", "bas1", "bas49", "Logo", "Logo2", "Logo3"}) {
        EXPECT_FALSE(shown(name)) << name;
    }
    for (int n = 2; n <= 26; ++n) {
        if (n == 10) {
            continue;
        }
        EXPECT_EQ(enabled(cmd(n)), n != 4) << cmd(n);
    }
    for (int k : {1, 2, 3, 4, 5, 6, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23}) {
        EXPECT_EQ(caption(label(k)), "") << label(k);
    }
    for (int n = 7; n <= 62; ++n) {
        EXPECT_EQ(caption("SSPanel" + std::to_string(n)), "");
    }
    EXPECT_EQ(caption("MainWindow"), std::string(13, ' '));
    for (int k = 1; k <= 8; ++k) {
        EXPECT_EQ(ctl("Image" + std::to_string(k)).picture, Picture::None);
    }
}

TEST_F(StartAndLayout, GeometryPoints) {
    start();
    EXPECT_EQ(ctl("bas10").left, 180);
    EXPECT_EQ(ctl("bas10").top, 660);

    EXPECT_EQ(ui().windowLeft(id("SSPanel67(9)")), 120);
    EXPECT_EQ(ui().windowTop(id("SSPanel67(9)")), 960);
    EXPECT_EQ(ui().windowLeft(id("SSPanel67(8)")) + 135, 1695);
    EXPECT_EQ(ui().windowLeft(id("SSPanel67(48)")), 120 + 3 * 180);
    EXPECT_EQ(ui().windowTop(id("SSPanel67(48)")) + 135, 1815);

    const int clientWidth = ctl("MainWindow").width;
    EXPECT_EQ(clientWidth, 7230);
    for (int i = 0; i < 3; ++i) {
        const std::string name = "Image9(" + std::to_string(i) + ")";
        EXPECT_GE(ui().windowLeft(id(name)), clientWidth) << name;
    }

    // The grid frame, in window coordinates, against everything beneath it.
    const ControlId grid = id("Basınç");
    const int gl = ui().windowLeft(grid);
    const int gt = ui().windowTop(grid);
    const int gr = gl + ui()[grid].width;
    const int gb = gt + ui()[grid].height;
    EXPECT_EQ(gl, 120);
    EXPECT_EQ(gt, 2760);
    EXPECT_EQ(gr, 5235);
    EXPECT_EQ(gb, 6615);
    auto inside = [&](const std::string& name) {
        const ControlId c = id(name);
        const int l = ui().windowLeft(c);
        const int t = ui().windowTop(c);
        return l >= gl && t >= gt && l + ui()[c].width <= gr && t + ui()[c].height <= gb;
    };
    auto clear = [&](const std::string& name) { return ui().windowLeft(id(name)) >= gr; };
    for (int c = 1; c <= 8; ++c) {
        for (int i = 1; i <= 6; ++i) {
            EXPECT_TRUE(inside(cell(c, i))) << cell(c, i);
        }
        EXPECT_TRUE(clear(result(c))) << result(c);
        EXPECT_EQ(ui().windowLeft(id(result(c))), 5340);
    }
    for (const char* frame : {"SSPanel1", "SSPanel5", "SSPanel63", "SSPanel65"}) {
        EXPECT_TRUE(clear(frame)) << frame;
    }
}

TEST_F(StartAndLayout, InventoryRowsReadAsDesigned) {
    start();
    struct Row {
        const char* name;
        Kind kind;
        const char* container;
        int left, top, width, height;
        const char* caption;
        Colour fore;
    };
    const Colour blue192 = rgb(0, 0, 192);
    const Row rows[] = {
        {"SSPanel69", Kind::Panel, "MainWindow", 60, 60, 7155, 615, "KRN  ", rgb(64, 0, 64)},
        {"SSPanel6", Kind::Panel, "MainWindow", 60, 2580, 7155, 4155, "KRN  ", kBlack},
        {"SSCommand7", Kind::Button, "SSPanel69", 60, 120, 735, 375, "Çevir", blue192},
        {"SSCommand8", Kind::Button, "SSPanel69", 1380, 120, 390, 390, "", kYellow},
        {"SSCommand2", Kind::Button, "SSPanel69", 2040, 120, 735, 375, "Sil", kRed},
        {"SSCommand5", Kind::Button, "SSPanel69", 4140, 120, 795, 375, "At Sına", blue192},
        {"SSCommand6", Kind::Button, "SSPanel69", 5640, 120, 795, 375, "Çık", rgb(0, 128, 128)},
        {"Label1", Kind::Label, "SSPanel70", 60, 180, 795, 735, "", kBlack},
        {"Label6", Kind::Label, "SSPanel70", 4020, 180, 735, 735, "", kBlack},
        {"SSCommand20", Kind::Button, "SSPanel66", 2760, 120, 315, 375, "", kBlack},
        {"Label22", Kind::Label, "SSPanel66", 5040, 120, 135, 135, "", kBlack},
        {"Label17", Kind::Label, "SSPanel66", 5040, 360, 135, 135, "", kBlack},
        {"Tamam", Kind::Button, "Basınç", 3840, 3060, 1095, 555, "Tamam", kBlack},
        {"Vazgeç", Kind::Button, "Basınç", 2520, 3060, 1155, 555, "Vazgeç", kBlack},
        {"bas23", Kind::Panel, "Basınç", 180 + 4 * 540, 120 + 2 * 540, 435, 435, "23", blue192},
        {"SSPanel32", Kind::Panel, "SSPanel6", 240 + 840, 240 + 4 * 480, 735, 375, "", kBlack},
        {"SSPanel58", Kind::Panel, "SSPanel6", 5280, 180 + 3 * 480, 735, 495, "", rgb(64, 0, 64)},
        {"SSPanel64", Kind::Panel, "SSPanel6", 6120, 240 + 6 * 480, 375, 375, "",
         rgb(255, 192, 192)},
        {"Image7", Kind::Image, "SSPanel64", 120, 120, 135, 135, "", Colour{}},
        {"Logo2", Kind::PictureBox, "MainWindow", 120, 720, 1635, 1155, "", Colour{}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        const Control& c = ctl(r.name);
        EXPECT_EQ(c.kind, r.kind);
        EXPECT_EQ(c.container, id(r.container));
        EXPECT_EQ(c.left, r.left);
        EXPECT_EQ(c.top, r.top);
        EXPECT_EQ(c.width, r.width);
        EXPECT_EQ(c.height, r.height);
        EXPECT_EQ(c.caption, r.caption);
        if (r.kind != Kind::Image && r.kind != Kind::PictureBox) {
            EXPECT_EQ(c.fore, r.fore);
        }
    }

    const Font bar{Face::TimesNewRoman, 9.75, true, false};
    EXPECT_EQ(ctl("SSCommand7").font, bar);
    EXPECT_EQ(ctl("SSCommand4").font, bar);
    EXPECT_EQ(ctl("Tamam").font, (Font{Face::MsSansSerif, 8.25, false, true}));
    EXPECT_EQ(ctl("SSPanel66").font, (Font{Face::MsSansSerif, 8.25, true, false}));
    EXPECT_EQ(ctl("Label3").font, (Font{Face::TimesNewRoman, 26.25, true, false}));
    EXPECT_EQ(ctl("bas1").font, (Font{Face::TimesNewRoman, 12, true, false}));
    EXPECT_EQ(ctl("SSPanel7").font, (Font{Face::TimesNewRoman, 11.25, true, false}));
    EXPECT_EQ(ctl("SSPanel62").font, (Font{Face::TimesNewRoman, 20.25, true, false}));

    EXPECT_EQ(back("Label4"), rgb(220, 218, 150));
    EXPECT_EQ(back("bas49"), rgb(192, 164, 160));
    EXPECT_EQ(back("SSPanel54"), kGrey);
    EXPECT_EQ(back("SSPanel55"), rgb(192, 192, 168));
    EXPECT_EQ(back("SSPanel3"), rgb(192, 192, 168));
    EXPECT_EQ(back("SSPanel67(30)"), systemColour(kMenuBackground));
    EXPECT_EQ(fore("SSPanel67(30)"), rgb(255, 192, 192));
    EXPECT_EQ(back("Label21"), kBlack);
    EXPECT_EQ(back("MainWindow"), rgb(0, 0, 128));

    EXPECT_EQ(ctl("bas7").style, PanelStyle::Raised);
    EXPECT_EQ(ctl("Basınç").style, PanelStyle::Raised);
    EXPECT_EQ(ctl("SSPanel67(0)").style, PanelStyle::Raised);
    EXPECT_EQ(ctl("SSPanel70").style, PanelStyle::Frame);
    EXPECT_EQ(ctl("SSPanel40").style, PanelStyle::Cell);
    EXPECT_EQ(ctl("SSPanel60").style, PanelStyle::Result);
    EXPECT_EQ(ctl("SSPanel63").style, PanelStyle::PictureFrame);

    EXPECT_TRUE(ctl("Label1").border);
    EXPECT_EQ(ctl("SSCommand17").picture, Picture::SaveKey);
    EXPECT_EQ(ctl("SSCommand16").picture, Picture::EmptyBin);
    EXPECT_EQ(ctl("SSCommand15").picture, Picture::LoadArrow);
    EXPECT_EQ(ctl("SSCommand11").picture, ctl("MainWindow").picture);
    const int intervals[] = {200, 150, 200, 100, 150, 200, 150, 200};
    for (int k = 1; k <= 8; ++k) {
        EXPECT_EQ(ctl("Timer" + std::to_string(k)).interval, intervals[k - 1]);
    }
}

TEST_F(StartAndLayout, PictureSequenceRunsAndRepeats) {
    start();
    const std::string title = std::string(73, ' ') + "KRN_Dernovak";
    ASSERT_EQ(title.size(), 85u);
    for (int run = 0; run < 2; ++run) {
        SCOPED_TRACE(run);
        EXPECT_FALSE(click("Logo2")); // hidden pictures take no click
        ASSERT_TRUE(click("SSCommand11"));
        EXPECT_TRUE(shown("Logo2"));
        EXPECT_FALSE(shown("Logo"));
        EXPECT_EQ(caption("MainWindow"), title);
        ASSERT_TRUE(click("Logo2"));
        EXPECT_TRUE(shown("Logo"));
        EXPECT_TRUE(shown("Logo2"));
        EXPECT_FALSE(shown("Logo3"));
        ASSERT_TRUE(click("Logo"));
        EXPECT_TRUE(shown("Logo3"));
        // Covered pictures change nothing; only Logo3 puts them away.
        click("Logo2");
        click("Logo");
        EXPECT_TRUE(shown("Logo3"));
        ASSERT_TRUE(click("Logo3"));
        EXPECT_FALSE(shown("Logo"));
        EXPECT_FALSE(shown("Logo2"));
        EXPECT_FALSE(shown("Logo3"));
        EXPECT_EQ(caption("MainWindow"), "");
    }
    EXPECT_EQ(state(), AppState{});
}

TEST_F(StartAndLayout, CikEndsTheProgramAndNothingRunsAfter) {
    start();
    round({3, 9, 14, 22, 31, 45});
    const AppState before = state();
    const Control cellBefore = ctl("SSPanel7");
    ASSERT_TRUE(click("SSCommand6"));
    EXPECT_EQ(platform.quits, 1);
    EXPECT_TRUE(w().ended());

    EXPECT_FALSE(click("SSCommand7"));
    EXPECT_FALSE(click("SSCommand14"));
    EXPECT_FALSE(click("SSCommand6"));
    w().tick(4);
    EXPECT_EQ(state(), before);
    EXPECT_EQ(ctl("SSPanel7").caption, cellBefore.caption);
    EXPECT_EQ(ctl("Image4").picture, Picture::None);
    EXPECT_EQ(platform.quits, 1);
    // Nothing is saved on the way out.
    EXPECT_EQ(record('a'), std::vector<int>(48, 0));
}

} // namespace
} // namespace krn::test
