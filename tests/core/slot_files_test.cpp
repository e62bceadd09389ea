// The five slot files, on real files: start-up, load, save and empty, files as another
// program may leave them, and files or a folder that cannot be used.
#include "scenario.h"

#include <cerrno>
#include <functional>
#include <utility>

namespace krn::test {
namespace {

using SlotFiles = Scenario;

TEST_F(SlotFiles, StartUpAndLoadReadEachFileAsItStandsAndKeepTheBytesPastTheRecord) {
    // A gap after column 3 with more behind it; an empty first column; a short file; and
    // numbers outside the game followed by bytes that belong to nobody. Slot b is missing.
    writeFile('a', recordBytes(columns({{6, 1, 30, 7, 44, 19},
                                        {2, 3, 4, 5, 6, 7},
                                        {49, 48, 47, 46, 45, 44},
                                        {0, 9, 9, 9, 9, 9},
                                        {10, 11, 12, 13, 14, 15}})));
    writeFile('c', recordBytes(columns({{0, 0, 0, 0, 0, 0}, {5, 6, 7, 8, 9, 10}})));
    writeFile('d', recordBytes({12, 13, 14, 15, 16}));
    Bytes tail;
    for (int k = 96; k < 200; ++k) {
        tail.push_back(static_cast<unsigned char>(k * 7 + 3));
    }
    auto withTail = [&](const Numbers& numbers) {
        Bytes bytes = recordBytes(numbers);
        bytes.insert(bytes.end(), tail.begin(), tail.end());
        return bytes;
    };
    writeFile('e', withTail(columns({{50, -7, 1000, 32767, -32768, 49}})));
    start();
    EXPECT_TRUE(platform.messages.empty());
    // Each file is judged by its first number alone.
    const Colour indicators[] = {kRed, kCyan, kCyan, kRed, kRed};
    for (char s = 'a'; s <= 'e'; ++s) {
        EXPECT_EQ(back(indicator(s)), indicators[s - 'a']) << s;
        EXPECT_EQ(back(lamp(s)), kBlack) << s;
    }
    EXPECT_EQ(fileBytes('b'), Bytes{});
    EXPECT_EQ(fileBytes('e').size(), 200u);

    round({10, 20, 30, 40, 41, 42});
    press(loadButton('a'));
    EXPECT_EQ(row(1), texts({6, 1, 30, 7, 44, 19}));
    EXPECT_EQ(row(3), texts({49, 48, 47, 46, 45, 44}));
    EXPECT_EQ(row(5), kEmptyRow);
    for (char s = 'a'; s <= 'e'; ++s) {
        EXPECT_EQ(back(lamp(s)), s == 'a' ? kYellow : kBlack) << s;
    }
    EXPECT_EQ(state().currentSlotPath, slotFile('a').string());
    EXPECT_EQ(ballsOf(kGrey).size(), 49u);
    // A load does not bring the coupon back into memory: there is nothing to save.
    expectNoEffect([&] { EXPECT_TRUE(click(saveButton('b'))); });

    press(loadButton('d'));
    EXPECT_EQ(row(1), texts({12, 13, 14, 15, 16, 0}));
    EXPECT_EQ(row(2), kEmptyRow);
    press(loadButton('c'));
    EXPECT_TRUE(couponCellsEmpty());
    press(loadButton('e'));
    EXPECT_EQ(row(1), texts({50, -7, 1000, 32767, -32768, 49}));

    round({1, 11, 21, 31, 41, 49});
    press(saveButton('e'));
    EXPECT_EQ(fileBytes('e'), withTail(columns({{1, 11, 21, 31, 41, 49}})));
    press(emptyButton('e'));
    EXPECT_EQ(fileBytes('e'), withTail(columns({})));
    EXPECT_TRUE(platform.messages.empty());
    EXPECT_EQ(openSlotFiles(), 0);
}

TEST_F(SlotFiles, SaveWritesTheColumnsBuiltAndEmptiesTheCoupon) {
    start();
    round({1, 5, 9, 13, 17, 21});
    round({2, 6, 10, 14, 18, 22});
    press(saveButton('b'));
    EXPECT_EQ(fileBytes('b'),
              recordBytes(columns({{1, 5, 9, 13, 17, 21}, {2, 6, 10, 14, 18, 22}})));
    EXPECT_EQ(back(indicator('b')), kRed);
    EXPECT_TRUE(couponCellsEmpty());
    EXPECT_EQ(couponMemory(), columns({}));
    // Slots a to d leave the drum as it is; slot e puts it back.
    EXPECT_EQ(ballsOf(kBlue), (Numbers{2, 6, 10, 14, 18, 22}));
    round({4, 8, 12, 16, 20, 24});
    EXPECT_EQ(row(1), texts({4, 8, 12, 16, 20, 24}));
    press(saveButton('e'));
    EXPECT_EQ(ballsOf(kGrey).size(), 49u);

    // Emptying writes zeros and leaves the coupon on display.
    press(loadButton('b'));
    press(emptyButton('b'));
    EXPECT_EQ(fileBytes('b'), Bytes(96, 0));
    EXPECT_EQ(back(indicator('b')), kCyan);
    EXPECT_EQ(row(2), texts({2, 6, 10, 14, 18, 22}));
}

// Wherever the coupon starts over, a later save holds only the column built after it.
TEST_F(SlotFiles, ASaveAfterARestartHoldsOnlyTheNewColumn) {
    writeFile('a', recordBytes(columns({{40, 41, 42, 43, 44, 45}})));
    start();
    auto build = [&] {
        round({1, 2, 3, 4, 5, 6});
        round({7, 8, 9, 10, 11, 12});
    };
    auto full = [&] {
        fillCoupon();
        closeMessage();
    };
    auto fresh = [&] { round({48, 42, 32, 22, 12, 2}); };
    auto freshByHand = [&] {
        enterByHand(9, {48, 42, 32, 22, 12, 2});
        press("SSCommand8");
    };
    auto resultEntry = [&] { enterByHand(3, {1, 2, 3, 4, 5, 6}); };
    const std::pair<const char*, std::function<void()>> restarts[] = {
        {"Sil",
         [&] {
             build();
             press("SSCommand2");
             fresh();
         }},
        {"a spin over a loaded slot",
         [&] {
             build();
             press(loadButton('a'));
             fresh();
         }},
        {"column entry after a result entry",
         [&] {
             build();
             resultEntry();
             freshByHand();
         }},
        {"a spin on a full coupon",
         [&] {
             full();
             fresh();
         }},
        {"column entry on a full coupon",
         [&] {
             full();
             freshByHand();
         }},
        {"a result entry on a full coupon",
         [&] {
             full();
             resultEntry();
             fresh();
         }},
    };
    for (const auto& [name, restart] : restarts) {
        SCOPED_TRACE(name);
        restart();
        EXPECT_EQ(row(2), kEmptyRow);
        EXPECT_EQ(state().currentSlotPath, "");
        for (char s = 'a'; s <= 'e'; ++s) {
            EXPECT_EQ(back(lamp(s)), kBlack) << s;
        }
        press(saveButton('b'));
        EXPECT_EQ(fileBytes('b'), recordBytes(columns({{2, 12, 22, 32, 42, 48}})));
    }
}

TEST_F(SlotFiles, FilesThatCannotBeUsedAreReportedAndNothingIsLost) {
    breakSlot('c');
    breakSlot('e');
    writeFile('d', recordBytes(columns({{9, 19, 29, 39, 44, 49}})));
    // Message k names the slot file and why it failed.
    auto expectReport = [&](std::size_t k, char s) {
        ASSERT_EQ(platform.messages.size(), k + 1);
        EXPECT_EQ(platform.messages[k].title, "KRN Dernovak");
        EXPECT_NE(platform.messages[k].text.find(slotFile(s).string()), std::string::npos) << s;
        EXPECT_NE(platform.messages[k].text.find(reasonText(EISDIR)), std::string::npos);
    };
    start();
    // One message for all that start-up found; those slots keep the design colour.
    expectReport(0, 'c');
    expectReport(0, 'e');
    EXPECT_EQ(back(indicator('c')), kDesignIndicator);
    EXPECT_EQ(back(indicator('a')), kCyan);
    EXPECT_FALSE(click("SSCommand7"));
    closeMessage();

    // Slots that stop being files while the program runs.
    breakSlot('a');
    breakSlot('d');
    round({1, 2, 3, 4, 5, 6});
    press(saveButton('a'));
    expectReport(1, 'a');
    closeMessage();
    EXPECT_EQ(couponMemory(), columns({{1, 2, 3, 4, 5, 6}}));
    EXPECT_EQ(row(1), texts({1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(state().filledColumns, 1);
    EXPECT_EQ(back(indicator('a')), kCyan);
    press(emptyButton('d'));
    expectReport(2, 'd');
    closeMessage();
    EXPECT_EQ(back(indicator('d')), kRed);
    press(loadButton('c'));
    expectReport(3, 'c');
    closeMessage();
    EXPECT_EQ(back(lamp('c')), kBlack);
    EXPECT_EQ(state().currentSlotPath, "");
    EXPECT_EQ(openSlotFiles(), 0);
}

TEST_F(SlotFiles, ASlotFolderThatCannotBeMadeIsReportedAtStartAndAtEachUse) {
    const auto plain = platform.root() / "plain";
    std::ofstream(plain) << "not a folder";
    platform.setSlots(plain / "KRN_Sayısal");
    start();
    ASSERT_EQ(platform.messages.size(), 1u);
    EXPECT_NE(platform.messages[0].text.find(platform.slots().string()), std::string::npos);
    EXPECT_NE(platform.messages[0].text.find(reasonText(ENOTDIR)), std::string::npos);
    closeMessage();
    round({5, 10, 15, 20, 25, 30});
    for (const std::string& button : {saveButton('b'), emptyButton('b'), loadButton('b')}) {
        press(button);
        closeMessage();
    }
    EXPECT_EQ(platform.messages.size(), 4u);
    EXPECT_EQ(back(indicator('b')), kDesignIndicator);
    EXPECT_EQ(state().currentSlotPath, "");
    EXPECT_EQ(std::filesystem::file_size(plain), 12u);
}

} // namespace
} // namespace krn::test
