// Random keys and clicks on the real window, the pictures and the grid in play: no key
// writes a slot file unless it is Space or Return on a save, empty or load button that the
// player's own Tab, Shift+Tab (or an arrow, which is either on a button) or click put the
// focus on, and the focus never rests on a control that cannot take keys. The keyboard's
// roads (the tab chain, the grid's keys) live in the view, so this drives the view.
#include "layout/focus.h"
#include "stress/random_run.h"
#include "view/view_harness.h"

#include <fstream>
#include <iterator>

using namespace krn;

// The window's draws follow the sequence's seed too, so that a failure replays.
struct SeededPlatform : QtPlatform {
    explicit SeededPlatform(std::uint64_t value) : value(value) {}
    void seedRandomFromClock() override { seed(value); }
    std::uint64_t value;
};

class RandomKeys : public test::ViewTest, public ::testing::WithParamInterface<std::uint64_t> {
  protected:
    std::uint64_t seed() const { return stress::replayed() != 0 ? stress::replayed() : GetParam(); }
    std::unique_ptr<QtPlatform> makePlatform() override {
        return std::make_unique<SeededPlatform>(seed());
    }
    // Each slot file's bytes, or "-" for one that is not there.
    std::vector<std::string> slotFiles() const {
        std::vector<std::string> files;
        for (int s = 0; s < kSlots; ++s) {
            std::ifstream in(window->slotPath(s), std::ios::binary);
            files.push_back(in ? std::string(std::istreambuf_iterator<char>(in), {}) : "-");
        }
        return files;
    }
    ControlId focusedControl() const {
        const auto* w = dynamic_cast<const ControlWidget*>(QApplication::focusWidget());
        return w != nullptr ? w->id() : kNoControl;
    }
    // A live control in front, never "Çık": the pictures' roads and Tamam on a full pick
    // often, the grid and the slots now and then.
    ControlId chooseClick(stress::Rng& rng) const {
        const Controls& u = ui();
        return stress::chooseClick(*window, rng, [&](ControlId id) {
            const bool road = id == u.command(11) || id == u.command(3) || id == u.command(9);
            return id == u.command(6) || view->controlAt(view->rectOf(id).center()) != id ? 0.0
                   : id >= u.gridCell(1) && id <= u.gridCell(49)                          ? 0.2
                   : isSlotButton(u, id)                                                  ? 0.3
                   : road                                                                 ? 4.0
                   : id == u.tamam() ? (window->state().selectedCount == 6 ? 6.0 : 0.5)
                                     : 1.0;
        });
    }
};

TEST_P(RandomKeys, NoKeyWritesASlotUnlessThePlayerPutTheFocusOnItsButton) {
    if (stress::replayed() != 0 && GetParam() != 1) {
        GTEST_SKIP();
    }
    stress::Rng rng(seed());
    const Qt::Key keys[] = {Qt::Key_Tab,   Qt::Key_Tab,   Qt::Key_Backtab, Qt::Key_Space,
                            Qt::Key_Space, Qt::Key_Space, Qt::Key_Return,  Qt::Key_Escape,
                            Qt::Key_Left,  Qt::Key_Right, Qt::Key_Up,      Qt::Key_Down,
                            Qt::Key_4,     Qt::Key_9,     Qt::Key_0};
    // The slot button the player's own Tab, Shift+Tab or click last put the focus on; a key
    // pressed a few times in a row, as Space to page through the pictures.
    ControlId placed = kNoControl;
    Qt::Key k = Qt::Key_Tab;
    int again = 0;
    std::string recent;
    for (long i = 1; i <= 8000; ++i) {
        const std::vector<std::string> before = slotFiles();
        const ControlId had = focusedControl();
        QMessageBox* message = view->openMessageBox();
        bool mayWrite = false;
        std::string done;
        if (again == 0 && message == nullptr && rng.below(10) < 3) {
            const ControlId id = chooseClick(rng);
            done = "click " + ui()[id].name;
            clickOn(ui()[id].name.c_str());
            mayWrite = isSlotButton(ui(), id);
            placed = focusedControl() == id ? id : placed;
        } else {
            again = again > 0 ? again - 1 : (k = keys[rng.below(std::size(keys))], rng.below(5));
            // "Çık" would end the run.
            const bool press = k == Qt::Key_Space || k == Qt::Key_Return;
            k = had == ui().command(6) && press ? Qt::Key_Tab : k;
            QWidget* to = QApplication::focusWidget();
            to = to != nullptr        ? to
                 : message != nullptr ? message
                                      : static_cast<QWidget*>(view.get());
            done = "key " + QKeySequence(k).toString().toStdString() + " on " +
                   to->objectName().toStdString();
            QTest::keyClick(to, k);
            mayWrite = (k == Qt::Key_Space || k == Qt::Key_Return) && message == nullptr &&
                       had == placed && isSlotButton(ui(), had);
            // On a button the arrows are Qt's Tab and Shift+Tab; on the grid they move its frame.
            const bool arrow = k >= Qt::Key_Left && k <= Qt::Key_Down;
            if (k == Qt::Key_Tab || k == Qt::Key_Backtab || (arrow && had != ui().basinc())) {
                placed = focusedControl();
            }
        }
        const ControlId focus = focusedControl();
        recent = recent.substr(recent.size() > 600 ? recent.size() - 600 : 0) + "\n  " + done +
                 " -> focus " + (focus == kNoControl ? "-" : ui()[focus].name);
        const std::string at =
            stress::said("sequence ", seed(), " (replay: KRN_STRESS_SEQUENCE=", seed(), "), event ",
                         i, ", after", recent, "\n");
        ASSERT_TRUE(mayWrite || slotFiles() == before) << at << "a slot file changed";
        ASSERT_TRUE(focus == kNoControl || takesFocus(ui(), focus))
            << at << "the focus rests on " << ui()[focus].name;
        ASSERT_EQ(stress::checkWindow(*window), "") << at;
    }
}

// Twelve sequences of 8000 events, each on a window of its own.
INSTANTIATE_TEST_SUITE_P(Sequences, RandomKeys, ::testing::Range<std::uint64_t>(1, 13));
