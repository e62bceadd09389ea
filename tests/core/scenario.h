// A player at the window: controls by name, clicks by name, and the slot files
// as bytes.
#pragma once

#include "app/main_window.h"
#include "coupon/slot_file.h"
#include "fake_platform.h"

#include <gtest/gtest.h>

#include <array>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace krn {

inline void PrintTo(const Colour& c, std::ostream* os) {
    if (c.system != 0) {
        *os << "system colour " << c.system;
    } else {
        *os << "(" << c.r << "," << c.g << "," << c.b << ")";
    }
}

namespace test {

inline constexpr Colour kRed = rgb(255, 0, 0);
inline constexpr Colour kCyan = rgb(0, 255, 255);
inline constexpr Colour kYellow = rgb(255, 255, 0);
inline constexpr Colour kBlack = rgb(0, 0, 0);
inline constexpr Colour kGrey = rgb(192, 192, 192);
inline constexpr Colour kBlue = rgb(0, 0, 255);

// Captions of numbers as the window shows them: 0 is the empty text.
inline std::vector<std::string> texts(const std::vector<int>& numbers) {
    std::vector<std::string> out;
    for (int n : numbers) {
        out.push_back(n == 0 ? std::string() : std::to_string(n));
    }
    return out;
}
inline const std::vector<std::string> kEmptyRow(6, "");

class Scenario : public ::testing::Test {
  protected:
    // Creates the window and runs its load handler. Tests that need files or a folder in
    // place before the program starts prepare them first.
    void start() {
        window.emplace(platform);
        window->load();
    }

    MainWindow& w() { return *window; }
    const AppState& state() { return window->state(); }
    const Controls& ui() { return window->controls(); }
    // For states that no sequence of clicks reaches, to show that an operation stands them.
    AppState& forceState() { return const_cast<AppState&>(window->state()); }

    ControlId id(std::string_view name) {
        const ControlId found = ui().find(name);
        if (found == kNoControl) {
            ADD_FAILURE() << "no control named " << name;
            return 0;
        }
        return found;
    }
    const Control& ctl(std::string_view name) { return ui()[id(name)]; }
    const std::string& caption(std::string_view name) { return ctl(name).caption; }
    Colour back(std::string_view name) { return ctl(name).back; }
    Colour fore(std::string_view name) { return ctl(name).fore; }
    bool enabled(std::string_view name) { return ctl(name).enabled; }
    bool shown(std::string_view name) { return ui().shown(id(name)); }

    // True when the window took the click.
    bool click(std::string_view name) { return window->click(id(name)); }
    void closeMessage() { window->onMessageClosed(); }

    static std::string cmd(int n) { return "SSCommand" + std::to_string(n); }
    static std::string bas(int n) { return "bas" + std::to_string(n); }
    static std::string ball(int n) { return "SSPanel67(" + std::to_string(n - 1) + ")"; }
    static std::string cell(int c, int i) { return "SSPanel" + std::to_string(6 * c + i); }
    static std::string result(int c) { return "SSPanel" + std::to_string(54 + c); }
    static std::string label(int n) { return "Label" + std::to_string(n); }
    // Slots are letters 'a'..'e'.
    static std::string saveButton(char s) { return cmd(14 + 3 * (s - 'a')); }
    static std::string emptyButton(char s) { return cmd(13 + 3 * (s - 'a')); }
    static std::string loadButton(char s) { return cmd(12 + 3 * (s - 'a')); }
    static std::string lamp(char s) { return label(19 + (s - 'a')); }
    static std::string indicator(char s) { return label(14 + (s - 'a')); }

    // "Çevir" with the six numbers the random source will give.
    void spin(std::initializer_list<int> numbers) {
        platform.scriptNumbers(numbers);
        ASSERT_TRUE(click("SSCommand7"));
    }
    void drop() { ASSERT_TRUE(click("SSCommand8")); }
    void round(std::initializer_list<int> numbers) {
        spin(numbers);
        drop();
    }
    void pickNumbers(std::initializer_list<int> numbers) {
        for (int n : numbers) {
            ASSERT_TRUE(click(bas(n)));
        }
    }
    // Column entry or result entry ("Gir" number 9 or 3), six numbers and "Tamam".
    void enterByHand(int gir, std::initializer_list<int> numbers) {
        ASSERT_TRUE(click(cmd(gir)));
        pickNumbers(numbers);
        ASSERT_TRUE(click("Tamam"));
    }

    std::vector<std::string> labels() {
        std::vector<std::string> out;
        for (int k = 1; k <= 6; ++k) {
            out.push_back(caption(label(k)));
        }
        return out;
    }
    std::vector<std::string> row(int c) {
        std::vector<std::string> out;
        for (int i = 1; i <= 6; ++i) {
            out.push_back(caption(cell(c, i)));
        }
        return out;
    }
    bool couponCellsEmpty() {
        for (int c = 1; c <= 8; ++c) {
            for (int i = 1; i <= 6; ++i) {
                if (!caption(cell(c, i)).empty()) {
                    return false;
                }
            }
        }
        return true;
    }
    std::vector<int> couponMemory() {
        return std::vector<int>(state().coupon.begin() + 1, state().coupon.end());
    }
    // The numbers whose ball shows `colour`, ascending.
    std::vector<int> ballsOf(Colour colour) {
        std::vector<int> out;
        for (int n = 1; n <= 49; ++n) {
            if (back(ball(n)) == colour) {
                out.push_back(n);
            }
        }
        return out;
    }

    std::filesystem::path slotFile(char s) {
        return platform.slots() / (std::string("kolon") + s + ".krn");
    }
    std::vector<unsigned char> fileBytes(char s) {
        std::ifstream in(slotFile(s), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    void writeFile(char s, const std::vector<unsigned char>& bytes) {
        std::filesystem::create_directories(platform.slots());
        std::ofstream out(slotFile(s), std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
    }
    // The numbers of the record as another program would write them: 16-bit
    // little-endian, zeros after the given ones.
    static std::vector<unsigned char> recordBytes(const std::vector<int>& numbers) {
        std::vector<unsigned char> bytes(96, 0);
        for (std::size_t k = 0; k < numbers.size(); ++k) {
            const auto v = static_cast<std::uint16_t>(numbers[k]);
            bytes[2 * k] = static_cast<unsigned char>(v & 0xFF);
            bytes[2 * k + 1] = static_cast<unsigned char>(v >> 8);
        }
        return bytes;
    }
    void writeRecord(char s, const std::vector<int>& numbers) {
        writeFile(s, recordBytes(numbers));
    }
    // The 48 numbers of a slot file's record, read byte by byte.
    std::vector<int> record(char s) {
        const auto bytes = fileBytes(s);
        std::vector<int> out;
        for (std::size_t k = 0; k < 48; ++k) {
            const std::size_t at = 2 * k;
            const int lo = at < bytes.size() ? bytes[at] : 0;
            const int hi = at + 1 < bytes.size() ? bytes[at + 1] : 0;
            out.push_back(static_cast<std::int16_t>(static_cast<std::uint16_t>(lo | (hi << 8))));
        }
        return out;
    }
    // 48 numbers: the given columns, then zeros.
    static std::vector<int> columns(std::initializer_list<std::vector<int>> cols) {
        std::vector<int> out;
        for (const auto& c : cols) {
            out.insert(out.end(), c.begin(), c.end());
        }
        out.resize(48, 0);
        return out;
    }

    FakePlatform platform;
    std::optional<MainWindow> window;
};

} // namespace test
} // namespace krn
