#include "GuiWatchdog.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QMetaObject>
#include <fstream>

namespace {

void Raise(std::atomic<long long>& longest, long long value) {
    long long seen = longest;
    while (value > seen && !longest.compare_exchange_weak(seen, value)) {
    }
}

}  // namespace

long long GuiWatchdog::NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch())
        .count();
}

GuiWatchdog::GuiWatchdog() {
    thread_ = std::thread([this] {
        while (!stop_) {
            const long long pending = pendingSinceMs_;
            if (pending >= 0) {
                Raise(longestMs_, NowMs() - pending);
            } else {
                const long long posted = NowMs();
                pendingSinceMs_ = posted;
                QMetaObject::invokeMethod(
                    QCoreApplication::instance(),
                    [this, posted] {
                        Raise(longestMs_, NowMs() - posted);
                        pendingSinceMs_ = -1;
                    },
                    Qt::QueuedConnection);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    });
}

GuiWatchdog::~GuiWatchdog() {
    stop_ = true;
    thread_.join();
    // A task still queued would run after this object has gone.
    while (pendingSinceMs_ >= 0) QCoreApplication::processEvents();
}

std::chrono::milliseconds GuiWatchdog::LongestWait() const {
    return std::chrono::milliseconds(longestMs_.load());
}

double ResidentMiB() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    long resident = 0;
    statm >> pages >> resident;
    return static_cast<double>(resident) * static_cast<double>(::sysconf(_SC_PAGESIZE)) /
           (1024.0 * 1024.0);
}
