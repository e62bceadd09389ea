#include "app/main_window.h"
#include "fake_platform.h"

#include <gtest/gtest.h>

using namespace krn;

TEST(Smoke, EightRoundsFillTheCoupon) {
    test::FakePlatform platform;
    MainWindow w(platform);
    w.load();
    auto& ui = w.controls();
    for (int round = 1; round <= 8; ++round) {
        ASSERT_TRUE(w.click(ui.command(7)));
        ASSERT_TRUE(w.click(ui.command(8)));
    }
    EXPECT_TRUE(w.messageOpen());
    w.onMessageClosed();
    EXPECT_EQ(w.state().couponFull, 1);
}
