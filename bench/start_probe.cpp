// Watches a program start from outside, on the X server it draws to: from just before the
// program is started to the first complete frame of its top-level window, then, if asked,
// how much memory and processor time it takes while it stands idle. The program under test
// knows nothing of this; the probe sees only what any X client may see of another.
//
//   start_probe [--settle SECONDS] [--idle SECONDS] [--timeout SECONDS] -- PROGRAM [ARGS...]
//
// Prints one JSON object on standard output; exits non-zero when the program did not show
// a window in time or ended before.
#include <xcb/damage.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <map>
#include <poll.h>
#include <sstream>
#include <string>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

double now() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

[[noreturn]] void fail(const std::string& message) {
    std::printf("{\"error\": \"%s\"}\n", message.c_str());
    std::exit(1);
}

struct Options {
    double settle{0};
    double idle{0};
    double timeout{20};
    std::vector<char*> command;
};

Options parse(int argc, char** argv) {
    Options o;
    int i = 1;
    for (; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--") {
            ++i;
            break;
        }
        if (i + 1 >= argc) {
            fail("missing value for " + arg);
        }
        const double value = std::atof(argv[++i]);
        if (arg == "--settle") {
            o.settle = value;
        } else if (arg == "--idle") {
            o.idle = value;
        } else if (arg == "--timeout") {
            o.timeout = value;
        } else {
            fail("unknown option " + arg);
        }
    }
    for (; i < argc; ++i) {
        o.command.push_back(argv[i]);
    }
    if (o.command.empty()) {
        fail("no program given");
    }
    o.command.push_back(nullptr);
    return o;
}

// What /proc tells of the process: peak and current resident memory, and processor time.
struct ProcessUse {
    long hwmKb{-1};
    long rssKb{-1};
    long cpuTicks{-1};
};

ProcessUse readUse(pid_t pid) {
    ProcessUse use;
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) {
            use.hwmKb = std::atol(line.c_str() + 6);
        } else if (line.rfind("VmRSS:", 0) == 0) {
            use.rssKb = std::atol(line.c_str() + 6);
        }
    }
    std::ifstream statFile("/proc/" + std::to_string(pid) + "/stat");
    std::string stat((std::istreambuf_iterator<char>(statFile)), std::istreambuf_iterator<char>());
    // The command name stands in parentheses and may itself hold spaces or parentheses.
    const auto close = stat.rfind(')');
    if (close != std::string::npos) {
        std::istringstream fields(stat.substr(close + 2));
        std::vector<std::string> f;
        std::string field;
        while (fields >> field) {
            f.push_back(field);
        }
        // After the name: state is field 3, utime field 14, stime field 15.
        if (f.size() > 12) {
            use.cpuTicks = std::atol(f[11].c_str()) + std::atol(f[12].c_str());
        }
    }
    return use;
}

// A top-level window the program made, and which of its pixels have been drawn since it
// was mapped.
struct Tracked {
    int width{0};
    int height{0};
    std::vector<char> drawn;
    long drawnCount{0};

    void reset() {
        drawn.assign(static_cast<size_t>(width) * static_cast<size_t>(height), 0);
        drawnCount = 0;
    }
    // Returns the number of pixels of the rectangle inside the window.
    long mark(int x, int y, int w, int h) {
        long area = 0;
        for (int row = std::max(0, y); row < std::min(height, y + h); ++row) {
            for (int col = std::max(0, x); col < std::min(width, x + w); ++col) {
                char& cell = drawn[static_cast<size_t>(row) * static_cast<size_t>(width) +
                                   static_cast<size_t>(col)];
                if (cell == 0) {
                    cell = 1;
                    ++drawnCount;
                }
                ++area;
            }
        }
        return area;
    }
    bool complete() const { return width > 0 && drawnCount == static_cast<long>(width) * height; }
};

class Probe {
  public:
    explicit Probe(const Options& options) : options_(options) {
        conn_ = xcb_connect(nullptr, nullptr);
        if (xcb_connection_has_error(conn_)) {
            fail("cannot connect to the X server");
        }
        root_ = xcb_setup_roots_iterator(xcb_get_setup(conn_)).data->root;
        const xcb_query_extension_reply_t* damage = xcb_get_extension_data(conn_, &xcb_damage_id);
        if (damage == nullptr || !damage->present) {
            fail("the X server has no DAMAGE extension");
        }
        damageEvent_ = damage->first_event + XCB_DAMAGE_NOTIFY;
        free(xcb_damage_query_version_reply(conn_, xcb_damage_query_version(conn_, 1, 1), nullptr));
        pidAtom_ = atom("_NET_WM_PID");
        const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(conn_, root_, XCB_CW_EVENT_MASK, &mask);
        // The selection must be in force before the program can make its first window.
        free(xcb_get_input_focus_reply(conn_, xcb_get_input_focus(conn_), nullptr));
        fcntl(xcb_get_file_descriptor(conn_), F_SETFD, FD_CLOEXEC);
    }
    ~Probe() { xcb_disconnect(conn_); }

    void run() {
        start_ = now();
        pid_ = fork();
        if (pid_ < 0) {
            fail("fork failed");
        }
        if (pid_ == 0) {
            execvp(options_.command[0], options_.command.data());
            _exit(127);
        }
        pidfd_ = static_cast<int>(syscall(SYS_pidfd_open, pid_, 0));

        waitUntil([this] { return frame_ > 0; }, start_ + options_.timeout);
        waitUntil([] { return false; }, frame_ + options_.settle);
        const double settled = now();
        const ProcessUse atSettle = readUse(pid_);
        counting_ = true;
        waitUntil([] { return false; }, settled + options_.idle);
        const double idleEnd = now();
        const ProcessUse atEnd = readUse(pid_);
        counting_ = false;
        const pid_t pid = pid_;
        stop();

        const double ms = 1000.0;
        std::printf("{\"pid\": %d, \"map_ms\": %.3f, \"expose_ms\": %.3f, "
                    "\"first_damage_ms\": %.3f, \"frame_ms\": %.3f, \"width\": %d, "
                    "\"height\": %d, \"vmhwm_kb\": %ld, \"vmrss_kb\": %ld, "
                    "\"idle_wall_s\": %.3f, \"idle_cpu_s\": %.3f, "
                    "\"idle_damage_events\": %ld, \"idle_damage_pixels\": %ld}\n",
                    static_cast<int>(pid), (map_ - start_) * ms,
                    expose_ > 0 ? (expose_ - start_) * ms : -1.0, (firstDamage_ - start_) * ms,
                    (frame_ - start_) * ms, target_.width, target_.height, atSettle.hwmKb,
                    atEnd.rssKb, idleEnd - settled,
                    static_cast<double>(atEnd.cpuTicks - atSettle.cpuTicks) /
                        static_cast<double>(sysconf(_SC_CLK_TCK)),
                    idleDamageEvents_, idleDamagePixels_);
    }

  private:
    xcb_atom_t atom(const char* name) {
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
            conn_, xcb_intern_atom(conn_, 0, static_cast<uint16_t>(std::strlen(name)), name),
            nullptr);
        const xcb_atom_t a =
            reply != nullptr ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
        free(reply);
        return a;
    }

    // The pid the window's owner put on it, or 0 when it put none.
    long windowPid(xcb_window_t w) {
        xcb_get_property_reply_t* reply = xcb_get_property_reply(
            conn_, xcb_get_property(conn_, 0, w, pidAtom_, XCB_ATOM_CARDINAL, 0, 1), nullptr);
        long pid = 0;
        if (reply != nullptr && xcb_get_property_value_length(reply) == 4) {
            pid = *static_cast<uint32_t*>(xcb_get_property_value(reply));
        }
        free(reply);
        return pid;
    }

    template <typename Done> void waitUntil(Done done, double deadline) {
        pollfd fds[2] = {{xcb_get_file_descriptor(conn_), POLLIN, 0}, {pidfd_, POLLIN, 0}};
        while (true) {
            while (xcb_generic_event_t* event = xcb_poll_for_event(conn_)) {
                handle(event, now());
                free(event);
            }
            if (xcb_connection_has_error(conn_)) {
                fail("lost the X server");
            }
            if (done()) {
                return;
            }
            const double left = deadline - now();
            if (left <= 0) {
                if (frame_ == 0) {
                    stop();
                    fail("no complete frame within the time-out");
                }
                return;
            }
            poll(fds, pidfd_ >= 0 ? 2 : 1, static_cast<int>(left * 1000) + 1);
            if (pidfd_ >= 0 && (fds[1].revents & POLLIN) != 0) {
                int status = 0;
                waitpid(pid_, &status, 0);
                pid_ = 0;
                fail("the program ended before the end of the measurement (status " +
                     std::to_string(status) + ")");
            }
        }
    }

    void handle(xcb_generic_event_t* event, double t) {
        const uint8_t type = event->response_type & 0x7f;
        if (type == XCB_CREATE_NOTIFY) {
            auto* e = reinterpret_cast<xcb_create_notify_event_t*>(event);
            if (e->parent != root_ || e->override_redirect) {
                return;
            }
            windows_[e->window] = Tracked{e->width, e->height, {}, 0};
            const uint32_t mask = XCB_EVENT_MASK_EXPOSURE;
            xcb_change_window_attributes(conn_, e->window, XCB_CW_EVENT_MASK, &mask);
            xcb_damage_create(conn_, xcb_generate_id(conn_), e->window,
                              XCB_DAMAGE_REPORT_LEVEL_RAW_RECTANGLES);
            xcb_flush(conn_);
        } else if (type == XCB_CONFIGURE_NOTIFY) {
            auto* e = reinterpret_cast<xcb_configure_notify_event_t*>(event);
            auto it = windows_.find(e->window);
            if (it != windows_.end() &&
                (it->second.width != e->width || it->second.height != e->height)) {
                it->second.width = e->width;
                it->second.height = e->height;
                it->second.reset();
                if (e->window == targetId_ && frame_ == 0) {
                    target_ = it->second;
                }
            }
        } else if (type == XCB_MAP_NOTIFY) {
            auto* e = reinterpret_cast<xcb_map_notify_event_t*>(event);
            if (map_ > 0 || e->event != root_ || windows_.count(e->window) == 0) {
                return;
            }
            const long owner = windowPid(e->window);
            if (owner != 0 && owner != pid_) {
                return;
            }
            map_ = t;
            targetId_ = e->window;
            target_ = windows_[e->window];
            target_.reset();
        } else if (type == XCB_EXPOSE) {
            auto* e = reinterpret_cast<xcb_expose_event_t*>(event);
            if (e->window == targetId_ && expose_ == 0) {
                expose_ = t;
            }
        } else if (type == damageEvent_) {
            auto* e = reinterpret_cast<xcb_damage_notify_event_t*>(event);
            if (e->drawable != targetId_ || map_ == 0) {
                return;
            }
            if (firstDamage_ == 0) {
                firstDamage_ = t;
            }
            const long area = target_.mark(e->area.x, e->area.y, e->area.width, e->area.height);
            if (frame_ == 0 && target_.complete()) {
                frame_ = t;
            }
            if (counting_) {
                ++idleDamageEvents_;
                idleDamagePixels_ += area;
            }
        }
    }

    void stop() {
        if (pid_ <= 0) {
            return;
        }
        kill(pid_, SIGTERM);
        pollfd fd{pidfd_, POLLIN, 0};
        if (pidfd_ < 0 || poll(&fd, 1, 2000) <= 0) {
            kill(pid_, SIGKILL);
        }
        waitpid(pid_, nullptr, 0);
        pid_ = 0;
    }

    Options options_;
    xcb_connection_t* conn_{nullptr};
    xcb_window_t root_{0};
    uint8_t damageEvent_{0};
    xcb_atom_t pidAtom_{0};
    pid_t pid_{0};
    int pidfd_{-1};
    std::map<xcb_window_t, Tracked> windows_;
    xcb_window_t targetId_{0};
    Tracked target_;
    double start_{0};
    double map_{0};
    double expose_{0};
    double firstDamage_{0};
    double frame_{0};
    bool counting_{false};
    long idleDamageEvents_{0};
    long idleDamagePixels_{0};
};

} // namespace

int main(int argc, char** argv) {
    const Options options = parse(argc, argv);
    Probe probe(options);
    probe.run();
    return 0;
}
