// The one window of the program: its state, its controls and every handler. The handlers
// of each part of the window live in that part's folder; this class ties them together.
#pragma once

#include "app/app_state.h"
#include "app/platform.h"
#include "coupon/slot_file.h"
#include "layout/controls.h"

#include <string>
#include <vector>

namespace krn {

inline constexpr const char* kMessageTitle = "KRN Dernovak";
inline constexpr const char* kCouponFullText = "Kupon doldu. Kayda alınmazsa yeniden düzenlenecek ";

class MainWindow {
  public:
    explicit MainWindow(Platform& platform);

    // The load handler: runs once, before the player can act.
    void load();
    // A click on a control, as the desktop delivers it. Returns false, and does nothing,
    // for a click that a real window would never deliver: on a disabled or hidden
    // control, while a message is open, or after the program has ended.
    bool click(ControlId id);
    // A tick of Timer<k>, k = 1..8.
    void tick(int k);
    // The player closed the open message.
    void onMessageClosed();

    bool messageOpen() const { return messageOpen_; }
    bool ended() const { return ended_; }
    // True for a control whose click runs a handler.
    bool hasClickHandler(ControlId id) const;

    const AppState& state() const { return s_; }
    const Controls& controls() const { return ui_; }
    Controls& controls() { return ui_; }
    std::filesystem::path slotPath(int slot) const;

    // Start-up, exit and the picture sequence.
    void onExitClicked();
    void onPictureButtonClicked();
    void onLogo2Clicked();
    void onLogoClicked();
    void onLogo3Clicked();

    // The hand-entry modes.
    void onColumnEntryClicked();
    void onResultEntryClicked();
    void onTamamClicked();
    void onVazgecClicked();
    void sonçare();
    void setEntryLockSet(bool enabled);

    // The number grid.
    void onGridCellClicked(int n);
    void appendToPick();
    void pırasa();
    void kekyap();
    void maşrapa_a();
    void maşrapa_b();
    void commitPick();
    void showPick();

    // The random draw and the drum.
    void drawRandomSix();
    void showDrawOnDrum();
    void clearDrawLabels();
    // yahyalı_a..yahyalı_f in turn: the six balls of the current draw turn yellow.
    void lightDrawOnDrum();
    // Label k := drawNumbers[k], k = 1..6.
    void showDrawLabels();
    void Maşlak();
    void yahyalı(int k);
    void soysallı(int k);
    void yahyalı_a() { yahyalı(1); }
    void yahyalı_b() { yahyalı(2); }
    void yahyalı_c() { yahyalı(3); }
    void yahyalı_d() { yahyalı(4); }
    void yahyalı_e() { yahyalı(5); }
    void yahyalı_f() { yahyalı(6); }
    void soysallı_a() { soysallı(1); }
    void soysallı_b() { soysallı(2); }
    void soysallı_c() { soysallı(3); }
    void soysallı_d() { soysallı(4); }
    void soysallı_e() { soysallı(5); }
    void soysallı_f() { soysallı(6); }

    // The wheels.
    void lüfer(int k);

    // The machine buttons.
    void onSpinClicked();
    void onDropClicked();
    void lampsOff();

    // The coupon.
    void enterPickIntoCoupon();
    void clearCouponCells();
    void resetCouponColours();
    void onSilClicked();
    void emptyCouponMemory();

    // The slot files.
    void showSlotStatus();
    void onSaveClicked(int slot);
    void onEmptyClicked(int slot);
    void onLoadClicked(int slot);
    // A slot file changed on the disk, by this program or another: the indicators follow.
    void onSlotFilesChanged();
    // The desktop cannot follow the slot files: the player is told once, as soon as no
    // other message is open, that the indicators may fall behind.
    void onSlotWatchFailed(const std::string& reason);
    // Each returns false after a failed file operation, which it has reported.
    bool saveSlot(int slot);
    bool emptySlot(int slot);
    bool loadSlot(int slot);

    // The check.
    void onSinaClicked();
    void onAtSinaClicked();
    void showDrawForCheck();
    // Returns false when the slot file could not be read; nothing is marked then.
    bool markCouponHits();

  private:
    enum class AfterMessage { Nothing, CouponFull };

    Int randomNumber();
    void showMessage(const std::string& text, AfterMessage after);
    void finishCouponFull();
    void showNumber(ControlId id, Int n);
    bool ensureSlotFolder(std::string& error);
    void noteUnsynced(const std::filesystem::path& folder);
    // The folder of a name that a file operation made.
    void noteMade(const FileOutcome& outcome);
    // Writes the record, then syncs every folder whose names have changed since the last
    // write.
    FileOutcome storeRecord(int slot, const SlotRecord& record, Over over);
    // Reads a slot's record; a record that holds no coupon is a failure.
    FileOutcome readSlot(const std::filesystem::path& path, SlotRecord& record, bool create);
    // Colours the slot's indicator from its file.
    FileOutcome showSlotIndicator(int slot, bool create);
    // Colours the slot's indicator from what an operation found.
    void setIndicator(int slot, const FileOutcome& outcome, const SlotRecord& record);
    void followUnrestored(int slot, const FileOutcome& failed);
    void reportFailure(const std::string& error);

    Platform& platform_;
    AppState s_;
    Controls ui_;
    bool messageOpen_{false};
    AfterMessage afterMessage_{AfterMessage::Nothing};
    bool ended_{false};
    std::filesystem::path folder_;
    // Folders holding a name that this run made and no write has synced yet.
    std::vector<std::filesystem::path> unsynced_;
    bool watchFailureTold_{false};
    // A message that waits for the open one to close.
    std::string pendingMessage_;
};

} // namespace krn
