#include "view/slot_watch.h"

#include "app/main_window.h"
#include "coupon/slot_file.h"

#include <QSocketNotifier>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <sys/inotify.h>
#include <unistd.h>

namespace krn {

namespace {

// A file written, made, removed or renamed in a watched folder, and the folder itself
// removed or renamed. Not the closing of a file: the indicators' own reads open the files.
constexpr std::uint32_t kFolderChanges = IN_MODIFY | IN_ATTRIB | IN_CREATE | IN_DELETE |
                                         IN_MOVED_FROM | IN_MOVED_TO | IN_DELETE_SELF |
                                         IN_MOVE_SELF | IN_ONLYDIR;

} // namespace

SlotWatch::SlotWatch(MainWindow& window, std::function<void()> changed)
    : window_(window), changed_(std::move(changed)) {
    fd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd_ < 0) {
        window_.onSlotWatchFailed(reasonText(errno));
        changed_();
        return;
    }
    notifier_ = new QSocketNotifier(fd_, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] { onReady(); });
    rewatch();
    // Whatever changed before the first watch is seen now.
    readAgain();
}

SlotWatch::~SlotWatch() {
    delete notifier_;
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

// Puts a watch on every folder whose change the indicators follow and drops those no longer
// needed: true when a watch was lost or put back, for what changed meanwhile was not seen.
bool SlotWatch::rewatch() {
    std::map<int, std::vector<std::string>> now;
    const auto watch = [&](const std::filesystem::path& folder, const std::string& name) {
        const int wd = ::inotify_add_watch(fd_, folder.c_str(), kFolderChanges);
        if (wd >= 0) {
            now[wd].push_back(name);
        } else if (errno != ENOENT && errno != ENOTDIR) {
            window_.onSlotWatchFailed(reasonText(errno));
        }
        return wd >= 0;
    };
    const std::filesystem::path folder = window_.slotPath(0).parent_path();
    for (int s = 0; s < kSlots; ++s) {
        const std::filesystem::path slot = window_.slotPath(s);
        watch(folder, slot.filename());
        // A slot that is a link changes with the file it leads to, wherever that is.
        if (const std::filesystem::path file = fileBehind(slot); file != slot) {
            watch(file.parent_path(), file.filename());
        }
    }
    // The folder made, removed or renamed, seen from the nearest folder above it that is there.
    for (auto below = folder; below.has_relative_path(); below = below.parent_path()) {
        if (watch(below.parent_path(), below.filename())) {
            break;
        }
    }
    bool changed = now.size() != watches_.size();
    for (const auto& [wd, names] : watches_) {
        if (now.count(wd) == 0) {
            ::inotify_rm_watch(fd_, wd);
            changed = true;
        }
    }
    watches_ = std::move(now);
    return changed;
}

void SlotWatch::onReady() {
    // Which file changed does not matter: the five are read again, once for however many
    // events have come.
    bool matters = false;
    alignas(inotify_event) char events[4096];
    for (ssize_t n; (n = ::read(fd_, events, sizeof events)) > 0;) {
        for (ssize_t at = 0; at < n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(events + at);
            matters = matters || concerns(*event);
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }
    if (rewatch() || matters) {
        readAgain();
    }
}

bool SlotWatch::concerns(const inotify_event& event) const {
    // An event without a name is the queue running over, events lost with it, or a watched
    // folder itself removed, renamed or no longer watched.
    if (event.len == 0) {
        return true;
    }
    const auto watch = watches_.find(event.wd);
    return watch != watches_.end() &&
           std::find(watch->second.begin(), watch->second.end(), event.name) != watch->second.end();
}

void SlotWatch::readAgain() {
    window_.onSlotFilesChanged();
    changed_();
}

} // namespace krn
