// The five slot files, on real files: start-up, load, save and empty, files as another
// program may leave them, files or a folder that cannot be used, and saves on the disk.
#include "layout/access_text.h"
#include "scenario.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>

// A disk that fails the next syncs of a file (fdatasync) or of a folder (fsync) asked for;
// `beforeFailure` runs once just before the next failure, as another copy of the program
// may act at that moment. The folders synced are kept by name.
static int failFileSyncs = 0, failFolderSyncs = 0;
static std::function<void()> beforeFailure;
static std::vector<std::filesystem::path> syncedFolders;
static int syncOrFail(int& failures, long call, int fd) {
    if (failures > 0) {
        if (beforeFailure) {
            std::exchange(beforeFailure, {})();
        }
        return --failures, errno = EIO, -1;
    }
    if (call == SYS_fsync) {
        std::error_code ec;
        syncedFolders.push_back(
            std::filesystem::read_symlink("/proc/self/fd/" + std::to_string(fd), ec));
    }
    return static_cast<int>(::syscall(call, fd));
}
extern "C" int fdatasync(int fd) {
    return syncOrFail(failFileSyncs, SYS_fdatasync, fd);
}
extern "C" int fsync(int fd) {
    return syncOrFail(failFolderSyncs, SYS_fsync, fd);
}

namespace krn::test {

using SlotFiles = Scenario;

// A program started from a launcher may have no input: a slot file then gets descriptor 0.
// When the story ends it is free again, and no slot file is left open.
struct InputClosed {
    const int input = ::dup(0);
    InputClosed() { ::close(0); }
    ~InputClosed() {
        EXPECT_TRUE(::fcntl(0, F_GETFD) < 0 && openSlotFiles() == 0);
        ::dup2(input, 0);
        ::close(input);
    }
};

TEST_F(SlotFiles, StartLoadSaveAndEmptyTakeEachFileAsItStands) {
    const InputClosed launched;
    // A gap after column 2 with more behind it; an empty first column; a short file; and
    // a record followed by bytes that belong to nobody. Slot b is missing.
    writeFile('a', recordBytes(columns({{6, 1, 30, 7, 44, 19},
                                        {49, 48, 47, 46, 45, 44},
                                        {0, 9, 9, 9, 9, 9},
                                        {10, 11, 12, 13, 14, 15}})));
    writeFile('c', recordBytes(columns({{0, 0, 0, 0, 0, 0}, {5, 6, 7, 8, 9, 10}})));
    writeFile('d', recordBytes({12, 13, 14, 15, 16}));
    auto withTail = [](const Numbers& numbers) {
        Bytes bytes = recordBytes(numbers);
        bytes.resize(200, 0xA5);
        return bytes;
    };
    writeFile('e', withTail(columns({{49, 0, 1, 0, 33, 49}})));
    start();
    // Each file is judged by its first number alone.
    const Colour indicators[] = {kRed, kCyan, kCyan, kRed, kRed};
    for (char s = 'a'; s <= 'e'; ++s) {
        EXPECT_EQ(back(indicator(s)), indicators[s - 'a']) << s;
    }
    EXPECT_EQ(fileBytes('b'), Bytes{});

    // A load puts away the draw on the drum and the labels.
    round({7, 8, 9, 10, 11, 12});
    press("SSCommand7");
    press(loadButton('a'));
    EXPECT_EQ(ballsOf(kGrey).size(), 49u);
    EXPECT_EQ(labels(), kEmptyRow);
    EXPECT_EQ(row(1), texts({6, 1, 30, 7, 44, 19}));
    EXPECT_EQ(row(2), texts({49, 48, 47, 46, 45, 44}));
    EXPECT_EQ(row(4), kEmptyRow);
    EXPECT_EQ(state().currentSlotPath, slotFile('a').string());
    // A load brings nothing into memory, and the coupon built before it cannot be saved.
    expectNoEffect([&] { EXPECT_TRUE(click(saveButton('b'))); });
    EXPECT_EQ(fileBytes('b'), Bytes{});
    press(loadButton('d'));
    EXPECT_EQ(row(1), texts({12, 13, 14, 15, 16, 0}));
    press(loadButton('c'));
    EXPECT_EQ(row(1), kEmptyRow);
    press(loadButton('e'));
    EXPECT_EQ(row(1), texts({49, 0, 1, 0, 33, 49}));

    // A save writes the columns built, empties the coupon and, for slot e alone, puts the
    // drum back.
    round({1, 5, 9, 13, 17, 21});
    round({2, 6, 10, 14, 18, 22});
    press(saveButton('b'));
    EXPECT_EQ(fileBytes('b'),
              recordBytes(columns({{1, 5, 9, 13, 17, 21}, {2, 6, 10, 14, 18, 22}})));
    EXPECT_EQ(back(indicator('b')), kRed);
    EXPECT_EQ(row(2), kEmptyRow);
    EXPECT_EQ(couponMemory(), columns({}));
    EXPECT_EQ(ballsOf(kBlue), (Numbers{2, 6, 10, 14, 18, 22}));
    round({4, 8, 12, 16, 20, 24});
    press(saveButton('e'));
    EXPECT_EQ(fileBytes('e'), withTail(columns({{4, 8, 12, 16, 20, 24}})));
    EXPECT_EQ(ballsOf(kBlue), Numbers{});

    // Emptying writes zeros and leaves the coupon on display.
    press(loadButton('b'));
    press(emptyButton('b'));
    EXPECT_EQ(fileBytes('b'), Bytes(96, 0));
    EXPECT_EQ(back(indicator('b')), kCyan);
    EXPECT_EQ(row(2), texts({2, 6, 10, 14, 18, 22}));
    press(emptyButton('e'));
    EXPECT_EQ(fileBytes('e'), withTail(columns({})));
    EXPECT_TRUE(platform.messages.empty());
}

// Wherever the coupon starts over, a later save holds only the column built after it.
TEST_F(SlotFiles, ASaveAfterARestartHoldsOnlyTheNewColumn) {
    writeFile('a', recordBytes(columns({{40, 41, 42, 43, 44, 45}, {39, 38, 37, 36, 35, 34}})));
    start();
    using Step = std::function<void()>;
    const Step two = [&] { fill(2); };
    const Step full = [&] { fill(8); };
    const Step result = [&] { enterByHand(3, {1, 2, 3, 4, 5, 6}); };
    const Step fresh = [&] { round({48, 42, 32, 22, 12, 2}); };
    const Step freshByHand = [&] { enterByHand(9, {48, 42, 32, 22, 12, 2}); };
    const Step drop = [&] { press("SSCommand8"); };
    const Step load = [&] { press(loadButton('a')); };
    const Step sil = [&] { press("SSCommand2"); };
    // Tamam on a full coupon clears it before anything else can.
    const Step cleared = [&] { EXPECT_EQ(row(8), kEmptyRow); };
    const std::pair<const char*, std::vector<Step>> restarts[] = {
        {"Sil", {two, sil, fresh}},
        {"Sil over a loaded slot", {two, load, sil, fresh}},
        {"a spin over a loaded slot", {two, load, fresh}},
        {"column entry after a result entry", {two, result, freshByHand, drop}},
        {"a spin on a full coupon", {full, fresh}},
        {"column entry on a full coupon", {full, freshByHand, drop}},
        {"a result entry on a full coupon", {full, result, cleared, fresh}},
    };
    for (const auto& [how, steps] : restarts) {
        SCOPED_TRACE(how);
        for (const Step& step : steps) {
            step();
        }
        EXPECT_EQ(row(2), kEmptyRow);
        EXPECT_EQ(state().currentSlotPath, "");
        press(saveButton('b'));
        EXPECT_EQ(fileBytes('b'), recordBytes(columns({{2, 12, 22, 32, 42, 48}})));
    }
}

TEST_F(SlotFiles, FilesThatCannotBeUsedAreReportedAndNothingIsLost) {
    const InputClosed launched;
    breakSlot('c');
    // A device or a pipe is never read or written; a link to a regular file elsewhere, as a
    // synced folder keeps it, is a slot like any other.
    std::filesystem::create_symlink("/dev/zero", slotFile('b'));
    ASSERT_EQ(::mkfifo(slotFile('e').c_str(), 0644), 0);
    writeFile('d', recordBytes(columns({{9, 19, 29, 39, 44, 49}})));
    std::filesystem::rename(slotFile('d'), platform.root() / "synced.krn");
    std::filesystem::create_symlink(platform.root() / "synced.krn", slotFile('d'));
    start();
    // A desktop that cannot follow the files says so once, after the message already open.
    w().onSlotWatchFailed(reasonText(ENOSPC));
    w().onSlotWatchFailed(reasonText(EMFILE));
    // One message for all that start-up found; those slots keep the design colour, which a
    // screen reader names as what it is.
    readReport(0, {slotFile('b'), slotFile('c'), slotFile('e')}, kNotRegularFile);
    EXPECT_NE(platform.messages.at(1).text.find("izlenemiyor"), std::string::npos);
    readReport(1, {}, ENOSPC);
    w().onSlotWatchFailed(reasonText(EMFILE));
    EXPECT_EQ(back(indicator('c')), systemColour(kButtonFace));
    EXPECT_EQ(accessibleName(w().controls(), slotItem(2)), "c yuvası: ekranda değil, okunamadı");
    EXPECT_EQ(back(indicator('a')), kCyan);
    EXPECT_EQ(back(indicator('d')), kRed);

    // Slots that stop being files while the program runs.
    breakSlot('a');
    breakSlot('d');
    round({1, 2, 3, 4, 5, 6});
    press(saveButton('a'));
    readReport(2, {slotFile('a')}, EISDIR);
    EXPECT_EQ(couponMemory(), columns({{1, 2, 3, 4, 5, 6}}));
    EXPECT_EQ(row(1), texts({1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(back(indicator('a')), kCyan);
    press(emptyButton('d'));
    readReport(3, {slotFile('d')}, EISDIR);
    EXPECT_EQ(back(indicator('d')), kRed);
    press(saveButton('e'));
    readReport(4, {slotFile('e')}, kNotRegularFile);
    press(loadButton('b'));
    readReport(5, {slotFile('b')}, kNotRegularFile);
    press(loadButton('c'));
    readReport(6, {slotFile('c')}, EISDIR);
    EXPECT_EQ(state().currentSlotPath, "");

    // So does the slot folder itself.
    std::filesystem::remove_all(platform.slots());
    std::ofstream(platform.slots()) << "not a folder";
    round({7, 8, 9, 10, 11, 12});
    press(saveButton('b'));
    readReport(7, {platform.slots()}, ENOTDIR);
    EXPECT_EQ(couponMemory(), columns({{7, 8, 9, 10, 11, 12}}));
    EXPECT_EQ(back(indicator('b')), systemColour(kButtonFace));
    press(loadButton('b'));
    readReport(8, {platform.slots()}, ENOTDIR);
}

// "Not saved" means the file holds what it held: a failed sync of the file or of its folder
// takes back what the save wrote, and a message says so when even that fails. It takes back
// its own write alone: a file it made is removed (the one a link leads to, not the link), and
// a save another copy made meanwhile stays.
TEST_F(SlotFiles, AFailedSyncUndoesItsOwnWriteAloneOrSaysItCouldNot) {
    const Bytes old = recordBytes(columns({{40, 41, 42, 43, 44, 45}}));
    writeFile('a', old);
    start(); // it makes slots b to e, whose names the next save syncs
    round({1, 2, 3, 4, 5, 6});
    const std::pair<int*, int> failing[] = {
        {&failFileSyncs, 1}, {&failFolderSyncs, 1}, {&failFileSyncs, 2}};
    std::size_t k = 0;
    for (; k < std::size(failing); ++k) {
        *failing[k].first = failing[k].second;
        press(k == 1 ? emptyButton('a') : saveButton('a'));
        EXPECT_EQ(platform.messages.at(k).text.find("eski") != std::string::npos, k == 2);
        readReport(k, {k == 1 ? platform.slots() : slotFile('a')}, EIO);
        EXPECT_EQ(fileBytes('a'), old);
        EXPECT_EQ(back(indicator('a')), kRed);
        EXPECT_EQ(couponMemory(), columns({{1, 2, 3, 4, 5, 6}}));
    }
    const auto elsewhere = platform.root() / "elsewhere" / "c.krn";
    std::filesystem::create_directories(elsewhere.parent_path());
    std::filesystem::remove(slotFile('c'));
    std::filesystem::create_symlink(elsewhere, slotFile('c'));
    for (int* failing : {&failFileSyncs, &failFolderSyncs}) {
        for (const auto& [s, file] : {std::pair{'b', slotFile('b')}, std::pair{'c', elsewhere}}) {
            std::filesystem::remove(file);
            *failing = 1;
            press(saveButton(s));
            readReport(k++, {}, EIO);
            EXPECT_FALSE(std::filesystem::exists(file)) << s;
        }
        EXPECT_TRUE(std::filesystem::is_symlink(slotFile('c')));
        const Bytes other = recordBytes(columns({{9, 8, 7, 6, 5, 4}}));
        beforeFailure = [&] { writeFile('a', other); };
        *failing = 1;
        press(saveButton('a'));
        readReport(k++, {}, EIO);
        EXPECT_EQ(fileBytes('a'), other);
        EXPECT_EQ(couponMemory(), columns({{1, 2, 3, 4, 5, 6}}));
    }
    press(saveButton('a'));
    EXPECT_EQ(fileBytes('a'), recordBytes(columns({{1, 2, 3, 4, 5, 6}})));
}

// A number outside 0..49 makes a record no coupon: shown as a slot that cannot be used, never
// loaded, tested or saved over, until the player empties it.
TEST_F(SlotFiles, ARecordOutsideTheGameIsNoCoupon) {
    const std::string text = "1 2 3 4 5 6\n7 8 9 10 11 12\n";
    writeFile('a', recordBytes(columns({{1, 2, 3, 4, 5, 6}})));
    writeFile('b', Bytes(text.begin(), text.end()));
    writeFile('c', recordBytes(columns({{49, 1, 2, 3, 4, 5}, {}, {}, {}, {}, {}, {}, {0, -1}})));
    writeFile('d', recordBytes(columns({{0, 0, 0, 0, 0, -32768}})));
    writeFile('e', recordBytes(columns({{1, 2, 3, 4, 5, 50}})));
    start();
    EXPECT_EQ(accessibleName(w().controls(), slotItem(4)),
              "e yuvası: ekranda değil, kupon dosyası değil");
    for (char s = 'b'; s <= 'e'; ++s) {
        EXPECT_NE(platform.messages.at(0).text.find(slotFile(s).string() + "\" " + kNotCouponText),
                  std::string::npos)
            << s;
        EXPECT_EQ(back(indicator(s)), systemColour(kButtonFace)) << s;
    }
    readReport(0, {}, kNotCouponText);
    const Bytes e = fileBytes('e');
    press(loadButton('e'));
    readReport(1, {slotFile('e')}, kNotCouponText);
    EXPECT_EQ(row(1), kEmptyRow);
    EXPECT_EQ(state().currentSlotPath, "");

    // A loaded coupon that another program turns into no coupon is not tested.
    press(loadButton('a'));
    writeFile('a', recordBytes(columns({{1, 2, 3, 4, 5, 6}, {50}})));
    enterByHand(3, {1, 2, 3, 4, 5, 6});
    press("SSCommand4");
    readReport(2, {slotFile('a')}, kNotCouponText);
    press("SSCommand5");
    readReport(3, {slotFile('a')}, kNotCouponText);
    EXPECT_EQ(caption(result(1)), "");

    // A save does not write over it; emptying does, and then a save may.
    round({7, 8, 9, 10, 11, 12});
    press(saveButton('e'));
    readReport(4, {slotFile('e')}, kNotCouponText);
    EXPECT_EQ(fileBytes('e'), e);
    EXPECT_EQ(couponMemory(), columns({{7, 8, 9, 10, 11, 12}}));
    press(emptyButton('e'));
    EXPECT_EQ(accessibleName(w().controls(), slotItem(4)), "e yuvası: ekranda değil, boş");
    press(saveButton('e'));
    EXPECT_EQ(fileBytes('e'), recordBytes(columns({{7, 8, 9, 10, 11, 12}})));
    EXPECT_EQ(platform.messages.size(), 5u);
}

// A slot file the player may read but not write is shown, loaded and tested. A root user
// writes anything the permissions forbid: the file is made immutable for one.
TEST_F(SlotFiles, AReadOnlyFileIsShownLoadedAndTested) {
    writeFile('a', recordBytes(columns({{1, 2, 3, 4, 5, 6}})));
    ::chmod(slotFile('a').c_str(), 0444);
    struct Immutable {
        int fd{-1};
        bool set(int flags) const { return ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0; }
        ~Immutable() {
            if (fd >= 0) {
                set(0);
                ::close(fd);
            }
        }
    } immutable;
    if (::geteuid() == 0) {
        immutable.fd = ::open(slotFile('a').c_str(), O_RDONLY);
        if (!immutable.set(FS_IMMUTABLE_FL)) {
            GTEST_SKIP() << "the file system keeps no immutable files";
        }
    }
    start();
    EXPECT_TRUE(platform.messages.empty());
    EXPECT_EQ(back(indicator('a')), kRed);
    press(loadButton('a'));
    EXPECT_EQ(row(1), texts({1, 2, 3, 4, 5, 6}));
    enterByHand(3, {1, 2, 3, 7, 8, 9});
    press("SSCommand4");
    EXPECT_EQ(caption(result(1)), "3");
    EXPECT_TRUE(platform.messages.empty());
}

// Every name that a read or a save makes reaches the disk with the next save: the check
// making a deleted slot anew, a link making the file it leads to in another folder. A link
// into a folder that is not there is a slot that cannot be used, whoever reads it.
TEST_F(SlotFiles, NamesMadeByReadsAreSyncedAndLinksAreTakenAsTheyLead) {
    const auto elsewhere = platform.root() / "elsewhere";
    std::filesystem::create_directories(elsewhere);
    writeFile('a', recordBytes(columns({{1, 2, 3, 4, 5, 6}})));
    std::filesystem::create_symlink(elsewhere / "c.krn", slotFile('c'));
    std::filesystem::create_symlink(platform.root() / "gone" / "e.krn", slotFile('e'));
    start();
    readReport(0, {slotFile('e')}, ENOENT);
    const auto synced = [&](const std::filesystem::path& folder) {
        return std::find(syncedFolders.begin(), syncedFolders.end(), folder) != syncedFolders.end();
    };
    syncedFolders.clear();
    round({1, 2, 3, 4, 5, 6});
    press(saveButton('b'));
    EXPECT_TRUE(synced(platform.slots()) && synced(elsewhere));

    press(loadButton('a'));
    std::filesystem::remove(slotFile('a'));
    enterByHand(3, {1, 2, 3, 7, 8, 9});
    press("SSCommand4");
    EXPECT_EQ(fileBytes('a'), Bytes{});
    syncedFolders.clear();
    round({1, 2, 3, 4, 5, 6});
    press(saveButton('d'));
    EXPECT_TRUE(synced(platform.slots()));

    // Another program changes the files: the indicators follow, and nothing past the fifth
    // slot is touched (slot a's lamp lies next to the indicators).
    press(loadButton('a'));
    writeFile('a', recordBytes({1}));
    breakSlot('b');
    w().onSlotFilesChanged();
    EXPECT_EQ(back(indicator('a')), kRed);
    EXPECT_EQ(back(indicator('b')), systemColour(kButtonFace));
    EXPECT_EQ(back(indicator('e')), systemColour(kButtonFace));
    EXPECT_EQ(back(label(19)), kYellow);
    press(loadButton('e'));
    readReport(1, {slotFile('e')}, ENOENT);
}

// The data folder is the environment's bytes, used only when absolute; every reason a
// message gives is Turkish, where the C locale's own texts are English.
TEST(SlotFolder, ComesFromTheEnvironmentAsItIsAndSpeaksTurkish) {
    EXPECT_EQ(slotFolderFor("/tmp/d\xfe", "/h"), std::filesystem::path("/tmp/d\xfe/KRN_Sayısal"));
    for (const char* ignored : {static_cast<const char*>(nullptr), "", "reldata"}) {
        EXPECT_EQ(slotFolderFor(ignored, "/h"), "/h/.local/share/KRN_Sayısal");
    }
    for (int error = 1; error < 134; ++error) {
        EXPECT_NE(reasonText(error), std::strerror(error)) << error;
    }
    EXPECT_EQ(reasonText(4095), "sistem hatası 4095");
}

// A disk full after 50 bytes stops the write halfway; a shorter file is put back whole.
TEST_F(SlotFiles, AWriteThatStopsHalfwayLeavesTheOldBytesAndLength) {
    for (const Bytes& old : {Bytes{}, Bytes(20, 0x11), Bytes(200, 0x22)}) {
        SCOPED_TRACE(old.size());
        writeFile('a', old);
        const pid_t child = ::fork();
        if (child == 0) {
            const rlimit limit{50, 50};
            ::setrlimit(RLIMIT_FSIZE, &limit);
            std::signal(SIGXFSZ, SIG_IGN);
            const FileOutcome out = writeSlotRecord(slotFile('a'), SlotRecord{{7, 8, 9}});
            ::_exit(out.ok || out.error.find(reasonText(EFBIG)) == std::string::npos ||
                    (old.size() < 50 && out.error.find("eski") != std::string::npos));
        }
        int status = -1;
        EXPECT_TRUE(::waitpid(child, &status, 0) == child && status == 0);
        EXPECT_EQ(fileBytes('a'), old);
    }
}

} // namespace krn::test
