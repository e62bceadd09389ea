// The window as it opens, and the exit.
#include "scenario.h"

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
}

// The picture sequence itself is played on a real X window, where its titles are seen.
TEST_F(StartAndLayout, CikEndsTheProgramAtOnceAndSavesNothing) {
    start();
    EXPECT_FALSE(click("Logo2")); // hidden pictures take no click
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
