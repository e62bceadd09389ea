// The platform of the random-event test and the fuzzers: a seeded random source, a clock
// the test sets, a record of messages and of the end of the program, and one slot folder
// per process on a memory file system where there is one, so that millions of events
// stay cheap on file I/O.
#pragma once

#include "app/platform.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

namespace krn::stress {

struct Message {
    std::string title;
    std::string text;
};

// A scratch folder removed when the process ends.
class ScratchFolder {
  public:
    ScratchFolder() {
        std::error_code ec;
        std::filesystem::path parent = "/dev/shm";
        if (!std::filesystem::is_directory(parent, ec)) {
            parent = std::filesystem::temp_directory_path();
        }
        std::string pattern = (parent / "krn-stress-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("mkdtemp failed in " + parent.string());
        }
        root_ = pattern;
        slots_ = root_ / "KRN_Sayısal";
        std::filesystem::create_directories(slots_);
    }
    ~ScratchFolder() { remove(); }
    // Also for a run about to abort, which skips the destructor.
    void remove() {
        std::error_code ec;
        std::filesystem::remove_all(root_, ec);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& slots() const { return slots_; }

    static ScratchFolder& instance() {
        static ScratchFolder folder;
        return folder;
    }

  private:
    std::filesystem::path root_;
    std::filesystem::path slots_;
};

class StressPlatform : public Platform {
  public:
    explicit StressPlatform(std::uint64_t seed) : engine(seed) {}

    void seedRandomFromClock() override { ++seeds; }
    double random() override { return std::uniform_real_distribution<double>(0.0, 1.0)(engine); }
    long secondsSinceMidnight() override { return clock; }
    void beep() override { ++beeps; }
    void showMessage(const std::string& title, const std::string& text) override {
        messages.push_back({title, text});
    }
    void quit() override { ++quits; }
    std::filesystem::path slotFolder() override { return ScratchFolder::instance().slots(); }

    std::mt19937_64 engine;
    long clock{43200};
    long beeps{0};
    int seeds{0};
    int quits{0};
    std::vector<Message> messages;
};

// A small generator for the test's own choices, apart from the window's random source.
struct Rng {
    std::uint64_t state;

    std::uint64_t next() {
        // splitmix64
        std::uint64_t z = (state += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    // 0 <= result < n
    int below(int n) { return static_cast<int>(next() % static_cast<std::uint64_t>(n)); }
    int between(int lo, int hi) { return lo + below(hi - lo + 1); }
    bool chance(double p) { return static_cast<double>(next() >> 11) * 0x1.0p-53 < p; }
};

} // namespace krn::stress
