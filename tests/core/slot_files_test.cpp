// The five slot files, on real files: start-up, load, save and empty, files as another
// program may leave them, files or a folder that cannot be used, and saves on the disk.
#include "layout/access_text.h"
#include "scenario.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>

// A disk that fails the next syncs of a file (fdatasync) or of a folder (fsync) asked for.
static int failFileSyncs = 0, failFolderSyncs = 0;
static int syncOrFail(int& failures, long call, int fd) {
    return failures > 0 ? (--failures, errno = EIO, -1) : static_cast<int>(::syscall(call, fd));
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
    // numbers outside the game followed by bytes that belong to nobody. Slot b is missing.
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
    writeFile('e', withTail(columns({{50, -7, 1000, 32767, -32768, 49}})));
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
    EXPECT_EQ(back(label(22)), kYellow); // slot d's lamp
    press(loadButton('c'));
    EXPECT_EQ(row(1), kEmptyRow);
    press(loadButton('e'));
    EXPECT_EQ(row(1), texts({50, -7, 1000, 32767, -32768, 49}));

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
    // One message for all that start-up found; those slots keep the design colour, which a
    // screen reader names as what it is.
    readReport(0, {slotFile('b'), slotFile('c'), slotFile('e')}, kNotRegularFile);
    EXPECT_EQ(back(indicator('c')), systemColour(kButtonFace));
    EXPECT_EQ(accessibleName(w().controls(), slotItem(2)), "c yuvası: ekranda değil, okunamadı");
    EXPECT_EQ(back(indicator('a')), kCyan);
    EXPECT_EQ(back(indicator('d')), kRed);

    // Slots that stop being files while the program runs.
    breakSlot('a');
    breakSlot('d');
    round({1, 2, 3, 4, 5, 6});
    press(saveButton('a'));
    readReport(1, {slotFile('a')}, EISDIR);
    EXPECT_EQ(couponMemory(), columns({{1, 2, 3, 4, 5, 6}}));
    EXPECT_EQ(row(1), texts({1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(back(indicator('a')), kCyan);
    press(emptyButton('d'));
    readReport(2, {slotFile('d')}, EISDIR);
    EXPECT_EQ(back(indicator('d')), kRed);
    press(saveButton('e'));
    readReport(3, {slotFile('e')}, kNotRegularFile);
    press(loadButton('b'));
    readReport(4, {slotFile('b')}, kNotRegularFile);
    press(loadButton('c'));
    readReport(5, {slotFile('c')}, EISDIR);
    EXPECT_EQ(state().currentSlotPath, "");

    // So does the slot folder itself.
    std::filesystem::remove_all(platform.slots());
    std::ofstream(platform.slots()) << "not a folder";
    round({7, 8, 9, 10, 11, 12});
    press(saveButton('b'));
    readReport(6, {platform.slots()}, ENOTDIR);
    EXPECT_EQ(couponMemory(), columns({{7, 8, 9, 10, 11, 12}}));
    EXPECT_EQ(back(indicator('b')), systemColour(kButtonFace));
    press(loadButton('b'));
    readReport(7, {platform.slots()}, ENOTDIR);
}

// "Not saved" means the file holds what it held: a failed sync of the file or of its folder
// puts the old record back, and a message says so when even that fails.
TEST_F(SlotFiles, AFailedSyncLeavesTheFileAsItWasOrSaysItCouldNot) {
    const Bytes old = recordBytes(columns({{40, 41, 42, 43, 44, 45}}));
    writeFile('a', old);
    start(); // it makes slots b to e, whose names the next save syncs
    round({1, 2, 3, 4, 5, 6});
    const std::pair<int*, int> failing[] = {
        {&failFileSyncs, 1}, {&failFolderSyncs, 1}, {&failFileSyncs, 2}};
    for (std::size_t k = 0; k < std::size(failing); ++k) {
        *failing[k].first = failing[k].second;
        press(k == 1 ? emptyButton('a') : saveButton('a'));
        EXPECT_EQ(platform.messages.at(k).text.find("eski") != std::string::npos, k == 2);
        readReport(k, {k == 1 ? platform.slots() : slotFile('a')}, EIO);
        EXPECT_EQ(fileBytes('a'), old);
        EXPECT_EQ(back(indicator('a')), kRed);
        EXPECT_EQ(couponMemory(), columns({{1, 2, 3, 4, 5, 6}}));
    }
    press(saveButton('a'));
    EXPECT_EQ(fileBytes('a'), recordBytes(columns({{1, 2, 3, 4, 5, 6}})));
}

// Another copy of the program, or another program, changes the files: the indicators follow.
TEST_F(SlotFiles, TheIndicatorsFollowTheFiles) {
    start();
    writeFile('a', recordBytes({1}));
    breakSlot('b');
    w().onSlotFilesChanged();
    EXPECT_EQ(back(indicator('a')), kRed);
    EXPECT_EQ(back(indicator('b')), systemColour(kButtonFace));
    EXPECT_TRUE(platform.messages.empty());
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
