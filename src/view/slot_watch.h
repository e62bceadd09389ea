// The indicators follow the slot files while the program runs: one inotify descriptor that
// the event loop reads when it has something to say. Nothing polls.
#pragma once

#include <QObject>

#include <functional>
#include <map>
#include <string>
#include <vector>

class QSocketNotifier;
struct inotify_event;

namespace krn {

class MainWindow;

class SlotWatch : public QObject {
  public:
    // From now on a change of a slot file, of the file a slot that is a link leads to, or of
    // the slot folder (removed, renamed, made anew, its parents too) reads the five slots
    // again, and then calls `changed`. A desktop that cannot watch tells the player once.
    SlotWatch(MainWindow& window, std::function<void()> changed);
    ~SlotWatch() override;
    SlotWatch(const SlotWatch&) = delete;
    SlotWatch& operator=(const SlotWatch&) = delete;

  private:
    bool rewatch();
    void onReady();
    bool concerns(const inotify_event& event) const;
    void readAgain();

    MainWindow& window_;
    std::function<void()> changed_;
    int fd_{-1};
    QSocketNotifier* notifier_{nullptr};
    // Each watch, and the names in its folder whose change the indicators follow.
    std::map<int, std::vector<std::string>> watches_;
};

} // namespace krn
