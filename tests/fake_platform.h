// A platform the tests steer: scripted random values (then a fixed-seed generator), a
// settable clock, and a record of beeps, messages and the end of the program. The slot
// folder lies in a fresh temporary folder, removed with the fake.
#pragma once

#include "app/platform.h"

#include <cstdlib>
#include <deque>
#include <random>
#include <stdexcept>
#include <vector>

namespace krn::test {

struct Message {
    std::string title;
    std::string text;
};

class FakePlatform : public Platform {
  public:
    explicit FakePlatform(
        const std::filesystem::path& base = std::filesystem::temp_directory_path())
        : folder_(makeTempFolder(base)) {}
    ~FakePlatform() override {
        std::error_code ec;
        std::filesystem::remove_all(folder_, ec);
    }
    FakePlatform(const FakePlatform&) = delete;
    FakePlatform& operator=(const FakePlatform&) = delete;

    void seedRandomFromClock() override { ++seeds; }
    double random() override {
        if (randoms.empty()) {
            return std::uniform_real_distribution<double>(0.0, 1.0)(engine);
        }
        const double r = randoms.front();
        randoms.pop_front();
        return r;
    }
    long secondsSinceMidnight() override { return clock; }
    void beep() override { ++beeps; }
    void showMessage(const std::string& title, const std::string& text) override {
        messages.push_back({title, text});
    }
    void quit() override { ++quits; }
    std::filesystem::path slotFolder() override { return slots(); }

    // The next draws give these numbers (1..49), in this order. Each value lies at the
    // bottom of the number's forty-ninth of the range, where a draw that is not fair to
    // every number, such as r * 48 + 1 rounded, would give a number one lower from 26 on.
    void scriptNumbers(std::initializer_list<int> numbers) {
        for (int n : numbers) {
            randoms.push_back((n - 1 + 1e-6) / 49.0);
        }
    }
    const std::filesystem::path& root() const { return folder_; }
    std::filesystem::path slots() const { return folder_ / "KRN_Sayısal"; }

    std::deque<double> randoms;
    std::mt19937_64 engine{12345};
    long clock{43200};
    int beeps{0}, seeds{0}, quits{0};
    std::vector<Message> messages;

  private:
    static std::filesystem::path makeTempFolder(const std::filesystem::path& base) {
        std::string pattern = (base / "krn-test-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("mkdtemp failed");
        }
        return pattern;
    }

    std::filesystem::path folder_;
};

} // namespace krn::test
