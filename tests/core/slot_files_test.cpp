// The five slot files: start-up, save, empty and load, on real files, and what the
// program does when a file or its folder is not what it should be.
#include "scenario.h"

#include <cerrno>

namespace krn::test {
namespace {

using SlotFiles = Scenario;

std::vector<unsigned char> tail(std::size_t from, std::size_t to) {
    std::vector<unsigned char> bytes;
    for (std::size_t k = from; k < to; ++k) {
        bytes.push_back(static_cast<unsigned char>(k * 7 + 3));
    }
    return bytes;
}

TEST_F(SlotFiles, FirstStartCreatesFiveEmptyFiles) {
    std::filesystem::create_directories(platform.slots());
    start();
    for (char s = 'a'; s <= 'e'; ++s) {
        ASSERT_TRUE(std::filesystem::is_regular_file(slotFile(s))) << s;
        EXPECT_EQ(std::filesystem::file_size(slotFile(s)), 0u) << s;
        EXPECT_EQ(back(indicator(s)), kCyan) << s;
        EXPECT_EQ(back(lamp(s)), kBlack) << s;
    }
    EXPECT_TRUE(platform.messages.empty());
    EXPECT_EQ(openSlotFiles(), 0);
}

TEST_F(SlotFiles, StartUpJudgesEachFileByItsFirstNumberAlone) {
    writeRecord('a', columns({{3, 9, 14, 20, 33, 41}}));
    writeFile('b', {});
    writeRecord('c', columns({{0, 0, 0, 0, 0, 0}, {5, 6, 7, 8, 9, 10}}));
    writeFile('d', {12, 0, 13, 0, 14, 0, 15, 0, 16, 0});
    auto long_ = recordBytes(columns({{1, 2, 3, 4, 5, 6}}));
    const auto extra = tail(96, 200);
    long_.insert(long_.end(), extra.begin(), extra.end());
    writeFile('e', long_);
    start();
    EXPECT_EQ(back(indicator('a')), kRed);
    // An empty file read after a full one is still empty.
    EXPECT_EQ(back(indicator('b')), kCyan);
    EXPECT_EQ(back(indicator('c')), kCyan);
    EXPECT_EQ(back(indicator('d')), kRed);
    EXPECT_EQ(back(indicator('e')), kRed);
    EXPECT_TRUE(platform.messages.empty());
    EXPECT_EQ(std::filesystem::file_size(slotFile('e')), 200u);
}

TEST_F(SlotFiles, SaveWritesTheColumnsBuiltAndEmptiesTheCoupon) {
    start();
    round({1, 5, 9, 13, 17, 21});
    round({2, 6, 10, 14, 18, 22});
    round({3, 7, 11, 15, 19, 23});
    ASSERT_TRUE(click(saveButton('b')));
    EXPECT_EQ(fileBytes('b'),
              recordBytes(columns(
                  {{1, 5, 9, 13, 17, 21}, {2, 6, 10, 14, 18, 22}, {3, 7, 11, 15, 19, 23}})));
    EXPECT_EQ(back(indicator('b')), kRed);
    EXPECT_TRUE(couponCellsEmpty());
    EXPECT_EQ(couponMemory(), std::vector<int>(48, 0));
    EXPECT_EQ(state().filledColumns, 0);
    // Slots a to d leave the drum as it is.
    EXPECT_EQ(ballsOf(kBlue), (std::vector<int>{3, 7, 11, 15, 19, 23}));

    round({4, 8, 12, 16, 20, 24});
    EXPECT_EQ(row(1), texts({4, 8, 12, 16, 20, 24}));
    ASSERT_TRUE(click(saveButton('e')));
    EXPECT_EQ(record('e'), columns({{4, 8, 12, 16, 20, 24}}));
    EXPECT_EQ(ballsOf(kGrey).size(), 49u);

    // Nothing to save: the button does nothing at all.
    w().controls().takeChanged();
    ASSERT_TRUE(click(saveButton('c')));
    EXPECT_FALSE(w().controls().anyChanged());
    EXPECT_EQ(std::filesystem::file_size(slotFile('c')), 0u);
    EXPECT_EQ(openSlotFiles(), 0);
}

// Wherever the coupon starts over, a later save holds only what was built after it.
TEST_F(SlotFiles, ASaveAfterARestartHoldsOnlyTheNewColumns) {
    writeRecord('a', columns({{40, 41, 42, 43, 44, 45}}));
    start();
    const std::vector<int> fresh = {2, 12, 22, 32, 42, 48};
    auto buildThree = [&] {
        round({1, 2, 3, 4, 5, 6});
        round({7, 8, 9, 10, 11, 12});
        round({13, 14, 15, 16, 17, 18});
    };
    auto saveAndCheck = [&](const char* restart) {
        SCOPED_TRACE(restart);
        ASSERT_TRUE(click(saveButton('b')));
        EXPECT_EQ(record('b'), columns({fresh}));
    };

    buildThree();
    ASSERT_TRUE(click("SSCommand2"));
    round({2, 12, 22, 32, 42, 48});
    saveAndCheck("Sil");

    buildThree();
    ASSERT_TRUE(click(loadButton('a')));
    round({2, 12, 22, 32, 42, 48});
    saveAndCheck("a spin over a loaded slot");

    buildThree();
    enterByHand(3, {1, 2, 3, 4, 5, 6});
    ASSERT_TRUE(click("SSCommand9"));
    pickNumbers({2, 12, 22, 32, 42, 48});
    ASSERT_TRUE(click("Tamam"));
    drop();
    saveAndCheck("column entry after a result entry");

    for (int c = 1; c <= 8; ++c) {
        round({c, c + 8, c + 16, c + 24, c + 32, c + 40});
    }
    closeMessage();
    enterByHand(3, {1, 2, 3, 4, 5, 6});
    round({2, 12, 22, 32, 42, 48});
    saveAndCheck("the next pick after a full coupon");
}

TEST_F(SlotFiles, LoadShowsColumnsUpToTheFirstEmptyOne) {
    // As another program would leave it: a gap after column 3, more behind it.
    writeRecord('c', columns({{6, 1, 30, 7, 44, 19},
                              {2, 3, 4, 5, 6, 7},
                              {49, 48, 47, 46, 45, 44},
                              {0, 9, 9, 9, 9, 9},
                              {10, 11, 12, 13, 14, 15}}));
    writeRecord('d', columns({{0, 5, 6, 7, 8, 9}, {1, 2, 3, 4, 5, 6}}));
    start();
    round({10, 20, 30, 40, 41, 42});
    ASSERT_TRUE(click(loadButton('c')));
    EXPECT_EQ(row(1), texts({6, 1, 30, 7, 44, 19}));
    EXPECT_EQ(row(3), texts({49, 48, 47, 46, 45, 44}));
    for (int c = 4; c <= 8; ++c) {
        EXPECT_EQ(row(c), kEmptyRow) << c;
    }
    for (char s = 'a'; s <= 'e'; ++s) {
        EXPECT_EQ(back(lamp(s)), s == 'c' ? kYellow : kBlack) << s;
    }
    EXPECT_EQ(state().currentSlotPath, slotFile('c').string());
    EXPECT_EQ(state().slotShown, 1);
    EXPECT_EQ(state().couponEntryLocked, 1);
    EXPECT_EQ(ballsOf(kGrey).size(), 49u);
    EXPECT_EQ(labels(), kEmptyRow);

    // Right after a load there is nothing to save.
    const auto before = fileBytes('a');
    ASSERT_TRUE(click(saveButton('a')));
    EXPECT_EQ(fileBytes('a'), before);
    EXPECT_EQ(back(indicator('a')), kCyan);

    ASSERT_TRUE(click(loadButton('d')));
    EXPECT_TRUE(couponCellsEmpty());
    EXPECT_EQ(back(lamp('d')), kYellow);
    EXPECT_EQ(back(lamp('c')), kBlack);
}

TEST_F(SlotFiles, EmptyingWritesZerosAndLeavesTheScreen) {
    writeRecord('b', columns({{1, 2, 3, 4, 5, 6}}));
    start();
    ASSERT_TRUE(click(loadButton('b')));
    ASSERT_TRUE(click(emptyButton('b')));
    EXPECT_EQ(fileBytes('b'), std::vector<unsigned char>(96, 0));
    EXPECT_EQ(back(indicator('b')), kCyan);
    EXPECT_EQ(row(1), texts({1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(back(lamp('b')), kYellow);
}

TEST_F(SlotFiles, ShortFilesReadAsZerosAndALongTailSurvivesASave) {
    writeFile('a', {5, 0, 10, 0, 15, 0, 20, 0, 25, 0});
    auto nearly = recordBytes(columns({{1, 2, 3, 4, 5, 6},
                                       {7, 8, 9, 10, 11, 12},
                                       {13, 14, 15, 16, 17, 18},
                                       {19, 20, 21, 22, 23, 24},
                                       {25, 26, 27, 28, 29, 30},
                                       {31, 32, 33, 34, 35, 36},
                                       {37, 38, 39, 40, 41, 42},
                                       {43, 44, 45, 46, 47, 49}}));
    nearly.pop_back();
    writeFile('b', nearly);
    auto long_ = recordBytes(columns({{8, 9, 10, 11, 12, 13}}));
    const auto extra = tail(96, 200);
    long_.insert(long_.end(), extra.begin(), extra.end());
    writeFile('c', long_);
    start();
    ASSERT_TRUE(platform.messages.empty());

    ASSERT_TRUE(click(loadButton('a')));
    EXPECT_EQ(row(1), texts({5, 10, 15, 20, 25, 0}));
    EXPECT_EQ(row(2), kEmptyRow);
    ASSERT_TRUE(click(loadButton('b')));
    EXPECT_EQ(row(8), texts({43, 44, 45, 46, 47, 49}));
    ASSERT_TRUE(click(loadButton('c')));
    EXPECT_EQ(row(1), texts({8, 9, 10, 11, 12, 13}));
    EXPECT_TRUE(platform.messages.empty());

    round({1, 11, 21, 31, 41, 49});
    ASSERT_TRUE(click(saveButton('c')));
    const auto bytes = fileBytes('c');
    ASSERT_EQ(bytes.size(), 200u);
    EXPECT_EQ(std::vector<unsigned char>(bytes.begin(), bytes.begin() + 96),
              recordBytes(columns({{1, 11, 21, 31, 41, 49}})));
    EXPECT_EQ(std::vector<unsigned char>(bytes.begin() + 96, bytes.end()), extra);
    ASSERT_TRUE(click(emptyButton('c')));
    const auto emptied = fileBytes('c');
    ASSERT_EQ(emptied.size(), 200u);
    EXPECT_EQ(std::vector<unsigned char>(emptied.begin() + 96, emptied.end()), extra);
}

TEST_F(SlotFiles, NumbersOutsideTheGameShowAsTheyStand) {
    writeRecord('e', columns({{50, -7, 1000, 32767, -32768, 49}, {0, 0, 0, 0, 0, 0}}));
    start();
    EXPECT_EQ(back(indicator('e')), kRed);
    ASSERT_TRUE(click(loadButton('e')));
    EXPECT_EQ(row(1), texts({50, -7, 1000, 32767, -32768, 49}));
    EXPECT_TRUE(platform.messages.empty());
}

TEST_F(SlotFiles, AFolderInPlaceOfASlotFileIsReportedAndNothingIsLost) {
    std::filesystem::create_directories(slotFile('c'));
    std::filesystem::create_directories(slotFile('e'));
    writeRecord('d', columns({{9, 19, 29, 39, 44, 49}}));
    // Message k names the slot file and why it failed.
    auto expectReport = [&](std::size_t k, char s) {
        ASSERT_EQ(platform.messages.size(), k + 1);
        EXPECT_EQ(platform.messages[k].title, "KRN Dernovak");
        EXPECT_NE(platform.messages[k].text.find(slotFile(s).string()), std::string::npos) << s;
        EXPECT_NE(platform.messages[k].text.find(reasonText(EISDIR)), std::string::npos);
    };
    start();
    // One message for all that start-up found.
    expectReport(0, 'c');
    expectReport(0, 'e');
    EXPECT_EQ(back(indicator('c')), systemColour(kButtonFace));
    EXPECT_EQ(back(indicator('e')), systemColour(kButtonFace));
    EXPECT_EQ(back(indicator('a')), kCyan);
    EXPECT_EQ(back(indicator('d')), kRed);
    EXPECT_FALSE(click("SSCommand7"));
    closeMessage();

    // Slots that stop being files while the program runs.
    std::filesystem::remove(slotFile('a'));
    std::filesystem::create_directory(slotFile('a'));
    std::filesystem::remove(slotFile('d'));
    std::filesystem::create_directory(slotFile('d'));
    round({1, 2, 3, 4, 5, 6});
    round({7, 8, 9, 10, 11, 12});
    const std::vector<int> memory = couponMemory();
    ASSERT_TRUE(click(saveButton('a')));
    expectReport(1, 'a');
    closeMessage();
    EXPECT_EQ(couponMemory(), memory);
    EXPECT_EQ(row(2), texts({7, 8, 9, 10, 11, 12}));
    EXPECT_EQ(state().filledColumns, 2);
    EXPECT_EQ(back(indicator('a')), kCyan);

    ASSERT_TRUE(click(emptyButton('d')));
    expectReport(2, 'd');
    closeMessage();
    EXPECT_EQ(back(indicator('d')), kRed);

    // The program goes on: the coupon is kept and goes to another slot.
    round({13, 14, 15, 16, 17, 18});
    ASSERT_TRUE(click(saveButton('b')));
    EXPECT_EQ(record('b'),
              columns({{1, 2, 3, 4, 5, 6}, {7, 8, 9, 10, 11, 12}, {13, 14, 15, 16, 17, 18}}));

    ASSERT_TRUE(click(loadButton('b')));
    ASSERT_TRUE(click(loadButton('c')));
    expectReport(3, 'c');
    closeMessage();
    for (char s = 'a'; s <= 'e'; ++s) {
        EXPECT_EQ(back(lamp(s)), kBlack) << s;
    }
    EXPECT_EQ(state().currentSlotPath, "");
    EXPECT_TRUE(std::filesystem::is_directory(slotFile('c')));
    EXPECT_EQ(openSlotFiles(), 0);
}

TEST_F(SlotFiles, ASlotFolderThatCannotBeMadeIsReportedAndTheProgramGoesOn) {
    const auto plain = platform.root() / "plain";
    { std::ofstream(plain) << "not a folder"; }
    platform.setSlots(plain / "KRN_Sayısal");
    start();
    ASSERT_EQ(platform.messages.size(), 1u);
    EXPECT_EQ(platform.messages[0].title, "KRN Dernovak");
    EXPECT_NE(platform.messages[0].text.find(platform.slots().string()), std::string::npos);
    EXPECT_NE(platform.messages[0].text.find(reasonText(ENOTDIR)), std::string::npos);
    for (char s = 'a'; s <= 'e'; ++s) {
        EXPECT_EQ(back(indicator(s)), systemColour(kButtonFace)) << s;
    }
    closeMessage();

    round({5, 10, 15, 20, 25, 30});
    ASSERT_TRUE(click(saveButton('b')));
    ASSERT_EQ(platform.messages.size(), 2u);
    EXPECT_NE(platform.messages[1].text.find(platform.slots().string()), std::string::npos);
    closeMessage();
    EXPECT_EQ(couponMemory(), columns({{5, 10, 15, 20, 25, 30}}));
    EXPECT_EQ(row(1), texts({5, 10, 15, 20, 25, 30}));
    EXPECT_EQ(back(indicator('b')), systemColour(kButtonFace));

    ASSERT_TRUE(click(loadButton('b')));
    ASSERT_EQ(platform.messages.size(), 3u);
    closeMessage();
    EXPECT_EQ(state().currentSlotPath, "");
    EXPECT_EQ(back(lamp('b')), kBlack);

    std::ifstream in(plain);
    std::string kept;
    std::getline(in, kept);
    EXPECT_EQ(kept, "not a folder");
}

} // namespace
} // namespace krn::test
