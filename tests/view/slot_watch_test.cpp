// The indicators follow the slot files on the real desktop, whatever happens to the folder,
// the folders above it, a file a slot links to, or the watch itself.
#include "view_harness.h"

#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sys/syscall.h>
#include <unistd.h>

// A desktop that refuses the next inotify instance or watch asked for.
static int failInits = 0, failWatches = 0;
extern "C" int inotify_init1(int flags) {
    return failInits > 0 ? (--failInits, errno = EMFILE, -1)
                         : static_cast<int>(::syscall(SYS_inotify_init1, flags));
}
extern "C" int inotify_add_watch(int fd, const char* path, std::uint32_t mask) {
    return failWatches > 0 ? (--failWatches, errno = ENOSPC, -1)
                           : static_cast<int>(::syscall(SYS_inotify_add_watch, fd, path, mask));
}

namespace krn::test {

using SlotWatching = ViewTest;
namespace fs = std::filesystem;

TEST_F(SlotWatching, TheIndicatorsFollowTheFolderItsParentsLinksAndALostWatch) {
    const fs::path folder = window->slotPath(0).parent_path(), home = folder.parent_path();
    const fs::path away = home.string() + "-away";
    struct Cleanup {
        fs::path path;
        ~Cleanup() { fs::remove_all(path); }
    } cleanup{away};
    const auto holds = [&](int s) { return ui()[ui().slotIndicator(s)].back == rgb(255, 0, 0); };
    const auto put = [&](const fs::path& file, char first) {
        std::ofstream(file, std::ios::binary) << first;
    };
    // Waits for the window to show it; QTRY_VERIFY would not fail a test of this runner.
    const auto until = [](const auto& shown) { return QTest::qWaitFor(shown, 5000); };
    view->followSlotFiles();
    put(window->slotPath(0), 7);
    ASSERT_TRUE(until([&] { return holds(0); }));

    // The folder removed, or the one above it moved away, and made anew by another copy.
    for (const fs::path& gone : {folder, home}) {
        fs::rename(gone, away);
        fs::remove_all(away);
        ASSERT_TRUE(until([&] { return !holds(0); }));
        fs::create_directories(folder);
        put(window->slotPath(0), 7);
        ASSERT_TRUE(until([&] { return holds(0); }));
    }

    // A slot that links to a file elsewhere follows that file.
    const fs::path linked = home / "linked.krn";
    put(linked, 7);
    fs::remove(window->slotPath(1));
    fs::create_symlink(linked, window->slotPath(1));
    ASSERT_TRUE(until([&] { return holds(1); }));
    put(linked, 0);
    ASSERT_TRUE(until([&] { return !holds(1); }));

    // More events than the desktop keeps, then the folder made anew: the watch is put back.
    std::ifstream limit("/proc/sys/fs/inotify/max_queued_events");
    int events = 16384;
    limit >> events;
    // Writes to one file in a row make one event; to two in turn, one each.
    const int files[] = {::open(window->slotPath(2).c_str(), O_WRONLY | O_CREAT, 0644),
                         ::open(window->slotPath(3).c_str(), O_WRONLY | O_CREAT, 0644)};
    for (int k = 0; k <= events; ++k) {
        ASSERT_EQ(::pwrite(files[k % 2], "", 1, 0), 1);
    }
    ::close(files[0]);
    ::close(files[1]);
    fs::remove_all(folder);
    fs::create_directories(folder);
    ASSERT_TRUE(until([&] { return !holds(0); }));
    put(window->slotPath(4), 7);
    ASSERT_TRUE(until([&] { return holds(4); }));
}

// A desktop that cannot watch the files says so.
TEST_F(SlotWatching, ADesktopThatCannotWatchSaysSo) {
    for (int* failing : {&failInits, &failWatches}) {
        MainWindow other(*platform);
        WindowView otherView(other);
        platform->attach(otherView);
        other.load();
        *failing = 1;
        otherView.followSlotFiles();
        ASSERT_NE(otherView.openMessageBox(), nullptr);
        EXPECT_TRUE(otherView.openMessageBox()->text().contains("izlenemiyor"));
    }
    platform->attach(*view);
}

} // namespace krn::test
