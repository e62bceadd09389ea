// Where the keyboard focus goes after a press, as every front end follows it: never onto a
// control whose key writes a slot file or throws away what the player entered.
#include "layout/focus.h"
#include "scenario.h"

namespace krn::test {

class Focus : public Scenario {
  protected:
    void SetUp() override {
        start();
        rule.emplace(w().controls());
    }
    ControlId id(const std::string& name) { return w().controls().find(name); }
    // The player puts the focus on a control with Tab.
    void tabTo(const std::string& name) {
        ASSERT_TRUE(takesFocus(w().controls(), id(name))) << name;
        focus = id(name);
    }
    // Space on the control the focus is on, or Return, Escape or Space on the grid for
    // Tamam, Vazgeç or a number; a click, which gives a button the focus first.
    void key(const std::string& name) { act(name, true); }
    void mouse(const std::string& name) { act(name, false); }
    std::string focused() { return focus == kNoControl ? "" : w().controls()[focus].name; }

    std::optional<FocusRule> rule;
    ControlId focus{kNoControl};

  private:
    void act(const std::string& name, bool byKeyboard) {
        if (byKeyboard) {
            ASSERT_EQ(focused(),
                      w().controls()[id(name)].container == id("Basınç") ? "Basınç" : name);
        } else if (w().controls()[id(name)].kind == Kind::Button) {
            focus = id(name);
        }
        press(name);
        focus = rule->follow(w().controls(), focus, byKeyboard);
    }
};

TEST_F(Focus, ADisabledHiddenOrCoveredControlHandsItOnToOneThatWritesAndDiscardsNothing) {
    // The pictures, opened with a key, take it in turn; the last gives it back to their
    // button. Clicked, they keep it where it was unless they held it.
    tabTo("SSCommand11");
    for (const char* picture : {"SSCommand11", "Logo2", "Logo", "Logo3"}) {
        key(picture);
    }
    EXPECT_EQ(focused(), "SSCommand11");
    mouse("SSCommand11");
    mouse("Logo2");
    EXPECT_EQ(focused(), "SSCommand11");

    // The grid takes it however it opens; during the entry the pictures, whose button is
    // locked, give it back to the grid, not to the one button left live, the save into e.
    round({1, 2, 3, 4, 5, 6});
    mouse("SSCommand9");
    EXPECT_EQ(focused(), "Basınç");
    tabTo("Logo");
    key("Logo");
    key("Logo3");
    EXPECT_EQ(focused(), "Basınç");
    pick({1, 2, 3, 4, 5, 6});
    key("Tamam");
    EXPECT_EQ(focused(), "SSCommand9");

    // Sına, which locks itself after a test, gives it to the "Gir" of the next result, not
    // to "At Sına", which would throw the entered draw away.
    press(saveButton('a'));
    for (const bool byKey : {false, true}) {
        enterByHand(3, {1, 2, 3, 30, 31, 32});
        press(loadButton('a'));
        tabTo("SSCommand4");
        byKey ? key("SSCommand4") : mouse("SSCommand4");
        EXPECT_EQ(focused(), "SSCommand3");
    }

    // The full coupon's message leaves it on the drop button, which stays live; Escape
    // on the grid goes back to the "Gir" that opened it.
    for (int c = 1; c <= 8; ++c) {
        tabTo("SSCommand7");
        key("SSCommand7");
        tabTo("SSCommand8");
        key("SSCommand8");
    }
    closeMessage();
    EXPECT_EQ(focused(), "SSCommand8");
    tabTo("SSCommand3");
    key("SSCommand3");
    key("Vazgeç");
    EXPECT_EQ(focused(), "SSCommand3");
}

} // namespace krn::test
