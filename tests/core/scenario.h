// A player at the window: controls and clicks by name, and the slot files as bytes.
#pragma once

#include "app/main_window.h"
#include "coupon/slot_file.h"
#include "fake_platform.h"
#include "stress/random_run.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <optional>

namespace krn {

inline void PrintTo(const Colour& c, std::ostream* os) {
    *os << "(" << c.r << "," << c.g << "," << c.b << ") system " << c.system;
}

namespace test {

inline constexpr Colour kRed = rgb(255, 0, 0), kCyan = rgb(0, 255, 255), kYellow = rgb(255, 255, 0),
                        kBlue = rgb(0, 0, 255), kGrey = rgb(192, 192, 192),
                        kPurple = rgb(128, 0, 128);

using Numbers = std::vector<int>;
using Texts = std::vector<std::string>;
using Bytes = std::vector<unsigned char>;

// Numbers as the window shows them: 0 is the empty text.
inline Texts texts(const Numbers& numbers) {
    Texts out;
    std::transform(numbers.begin(), numbers.end(), std::back_inserter(out), stress::numberText);
    return out;
}
inline const Texts kEmptyRow(6, "");

// 48 numbers: the given columns, then zeros.
inline Numbers columns(std::initializer_list<Numbers> cols) {
    Numbers out;
    for (const auto& c : cols) {
        out.insert(out.end(), c.begin(), c.end());
    }
    out.resize(48, 0);
    return out;
}
// The record as another program would write it: 16-bit little-endian integers.
inline Bytes recordBytes(const Numbers& numbers) {
    Bytes bytes;
    for (int n : numbers) {
        bytes.push_back(static_cast<unsigned char>(n & 0xFF));
        bytes.push_back(static_cast<unsigned char>((n >> 8) & 0xFF));
    }
    return bytes;
}

class Scenario : public ::testing::Test {
  protected:
    // Tests that need files in place before the program starts write them first.
    void start() {
        window.emplace(platform);
        window->load();
    }

    MainWindow& w() { return *window; }
    const AppState& state() { return window->state(); }
    const Control& ctl(const std::string& name) {
        const ControlId id = window->controls().find(name);
        EXPECT_NE(id, kNoControl) << name;
        return window->controls()[std::max(id, 0)];
    }
    const std::string& caption(const std::string& name) { return ctl(name).caption; }
    Colour back(const std::string& name) { return ctl(name).back; }
    bool enabled(const std::string& name) { return ctl(name).enabled; }
    bool shown(const std::string& name) {
        return window->controls().shown(window->controls().find(name));
    }
    // True when the window took the click.
    bool click(const std::string& name) { return window->click(window->controls().find(name)); }
    // A click the window must take, after which every rule of the window holds.
    void press(const std::string& name) {
        ASSERT_TRUE(click(name)) << name;
        EXPECT_EQ(stress::checkWindow(*window), "") << name;
    }
    void closeMessage() { window->onMessageClosed(); }

    static std::string cmd(int n) { return "SSCommand" + std::to_string(n); }
    static std::string bas(int n) { return "bas" + std::to_string(n); }
    static std::string cell(int c, int i) { return "SSPanel" + std::to_string(6 * c + i); }
    static std::string result(int c) { return "SSPanel" + std::to_string(54 + c); }
    static std::string label(int n) { return "Label" + std::to_string(n); }
    // Slots are the letters 'a'..'e'.
    static std::string saveButton(char s) { return cmd(14 + 3 * (s - 'a')); }
    static std::string emptyButton(char s) { return cmd(13 + 3 * (s - 'a')); }
    static std::string loadButton(char s) { return cmd(12 + 3 * (s - 'a')); }
    static std::string indicator(char s) { return label(14 + (s - 'a')); }

    // "Çevir" with the six numbers the random source will give, then the drop button.
    void round(std::initializer_list<int> numbers) {
        platform.scriptNumbers(numbers);
        press("SSCommand7");
        press("SSCommand8");
    }
    // Rounds into columns 1..n, column c holding c, c+8, ..., c+40; after the eighth the
    // player closes the message.
    void fill(int n) {
        for (int c = 1; c <= n; ++c) {
            round({c + 40, c + 32, c + 24, c + 16, c + 8, c});
        }
        closeMessage();
    }
    void pick(std::initializer_list<int> numbers) {
        for (int n : numbers) {
            press(bas(n));
        }
    }
    // Column entry or result entry ("Gir" number 9 or 3), six numbers and "Tamam".
    void enterByHand(int gir, std::initializer_list<int> numbers) {
        press(cmd(gir));
        pick(numbers);
        press("Tamam");
    }
    // Runs `act` and expects it to have changed neither the state nor any control.
    template <class F> void expectNoEffect(F act) {
        const AppState before = state();
        window->controls().takeChanged();
        act();
        EXPECT_EQ(state(), before);
        EXPECT_FALSE(window->controls().anyChanged());
    }

    // Row 0 is the six number labels above the drum; rows 1..8 are the coupon columns.
    Texts row(int c) {
        Texts out;
        for (int i = 1; i <= 6; ++i) {
            out.push_back(caption(c == 0 ? label(i) : cell(c, i)));
        }
        return out;
    }
    Texts labels() { return row(0); }
    Numbers couponMemory() { return Numbers(state().coupon.begin() + 1, state().coupon.end()); }
    // The numbers whose drum ball shows `colour`, ascending.
    Numbers ballsOf(Colour colour) {
        Numbers out;
        for (int n = 1; n <= 49; ++n) {
            if (back("SSPanel67(" + std::to_string(n - 1) + ")") == colour) {
                out.push_back(n);
            }
        }
        return out;
    }

    std::filesystem::path slotFile(char s) {
        return platform.slots() / (std::string("kolon") + s + ".krn");
    }
    Bytes fileBytes(char s) {
        std::ifstream in(slotFile(s), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    void writeFile(char s, const Bytes& bytes) {
        std::filesystem::create_directories(platform.slots());
        std::ofstream(slotFile(s), std::ios::binary) << std::string(bytes.begin(), bytes.end());
    }
    // The player reads the last message, number k, which names each of `what` and the
    // reason (the system's, for a number), and closes it.
    void readReport(std::size_t k, std::initializer_list<std::filesystem::path> what, int reason) {
        readReport(k, what, reasonText(reason));
    }
    void readReport(std::size_t k, std::initializer_list<std::filesystem::path> what,
                    const std::string& reason) {
        ASSERT_EQ(platform.messages.size(), k + 1);
        const Message& m = platform.messages[k];
        EXPECT_TRUE(m.title == "KRN Dernovak" && m.text.find(reason) != m.text.npos) << m.text;
        for (const auto& path : what) {
            EXPECT_NE(m.text.find(path.string()), std::string::npos) << m.text;
        }
        closeMessage();
    }
    // Turns slot s into a folder, which no file operation can open.
    void breakSlot(char s) {
        std::filesystem::remove(slotFile(s));
        std::filesystem::create_directories(slotFile(s));
    }

    FakePlatform platform;
    std::optional<MainWindow> window;
};

} // namespace test
} // namespace krn
