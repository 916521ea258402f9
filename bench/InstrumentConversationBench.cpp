// The real window (offscreen) talking to the simulated instrument at the real line speed:
// 9600 baud with a 10 ms turnaround, published as COM9 in a private port folder.
//
//   connect:     from the Connect click until the sequencer rests at the clock poll with the
//                serial number shown;
//   plant read:  Read from Instrument on the vehicle page, all 99 entries, until it rests again;
//   plant write: Write to Instrument, the same 99 entries;
//   idle:        connected and idle for --idle-seconds N (default 60): the whole process's CPU
//                time (user + system) as a share of one core.
//
// Each time is printed beside the floor the frames on the wire allow (WireFloor).

#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>

#include "ConnectOnStart.h"
#include "MessageRecorder.h"
#include "ProcessCpu.h"
#include "PublishedInstrument.h"
#include "TMainForm.h"
#include "TRadioGroup.h"
#include "TempHome.h"
#include "WireFloor.h"

namespace {

using Clock = std::chrono::steady_clock;
using Ms = std::chrono::duration<double, std::milli>;

constexpr int kCom = 9;
constexpr int kPlantPage = 0;
constexpr sim::LineTiming kLine{9600, std::chrono::milliseconds(10)};
constexpr auto kJobLimit = std::chrono::seconds(60);
constexpr double kTransferTarget = 1.05;
constexpr double kIdleTargetPercent = 0.5;

// Runs the event loop until `done` holds or the limit passes. The step only changes on a tick of
// the sequencer's clock, so `done` is looked at right after each one: no polling of our own
// disturbs the timing.
bool RunUntil(TMainForm& form, const std::function<bool()>& done) {
    QEventLoop loop;
    QObject::connect(form.Timer1, &QTimer::timeout, &loop, [&] {
        if (done()) loop.quit();
    });
    QTimer::singleShot(kJobLimit, &loop, &QEventLoop::quit);
    loop.exec();
    return done();
}

// Times a job from its start (a click) until `done`; negative when it did not finish.
double TimeJob(TMainForm& form, const std::function<bool()>& start,
               const std::function<bool()>& done) {
    const Clock::time_point begin = Clock::now();
    if (!start() || !RunUntil(form, done)) return -1;
    return Ms(Clock::now() - begin).count();
}

bool TimeTransfer(TMainForm& form, const WireFloor& floor, bool write) {
    const double floorMs = floor.TransferMs(form, kPlantPage, write);
    const double ms = TimeJob(
        form, [&] { return ConnectOnStart::PressTransfer(form, kPlantPage, write); },
        [&] { return ConnectOnStart::TransferDone(form); });
    const char* name = write ? "plant write" : "plant read ";
    if (ms < 0) {
        std::printf("%s  did not finish within %lld s\n", name,
                    static_cast<long long>(kJobLimit.count()));
        return false;
    }
    std::printf(
        "%s  %8.1f ms   floor %8.1f ms (+%.0f ms start tick)   ratio %.3f   target <= %.2f\n", name,
        ms, floorMs, WireFloor::kStartTickMs, ms / floorMs, kTransferTarget);
    return true;
}

void MeasureIdle(int seconds) {
    QEventLoop loop;
    QTimer::singleShot(std::chrono::seconds(seconds), &loop, &QEventLoop::quit);
    const double cpuBefore = CpuSeconds();
    const Clock::time_point begin = Clock::now();
    loop.exec();
    const double cpu = CpuSeconds() - cpuBefore;
    const double wall = std::chrono::duration<double>(Clock::now() - begin).count();
    std::printf("idle %3d s      cpu %.3f %% of one core (%.0f ms in %.1f s)   target < %.1f %%\n",
                seconds, cpu / wall * 100, cpu * 1000, wall, kIdleTargetPercent);
}

int IdleSeconds(int argc, char** argv) {
    int seconds = 60;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--idle-seconds") != 0 || i + 1 >= argc) return -1;
        seconds = std::atoi(argv[++i]);
        if (seconds < 1) return -1;
    }
    return seconds;
}

}  // namespace

int main(int argc, char** argv) {
    const int idleSeconds = IdleSeconds(argc, argv);
    if (idleSeconds < 0) {
        std::fprintf(stderr, "usage: %s [--idle-seconds N]\n", argv[0]);
        return 2;
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication application(argc, argv);
    TempHome home;
    MessageRecorder messages;
    PublishedInstrument published(kCom);
    SimulatedInstrument::Settings paced;
    paced.timing = kLine;
    published.Start(paced);
    TMainForm form;
    form.show();
    const WireFloor floor(kLine);

    std::printf("instrument conversation, %d baud, %lld ms turnaround, offscreen window\n",
                kLine.baud, static_cast<long long>(kLine.turnaround.count()));
    // The port list is refreshed every second; the clock starts at the click.
    QEventLoop listed;
    QObject::connect(form.Timer2, &QTimer::timeout, &listed, [&] {
        if (form.CommsRG->Items().contains(QStringLiteral(" %1 ").arg(kCom))) listed.quit();
    });
    QTimer::singleShot(kJobLimit, &listed, &QEventLoop::quit);
    listed.exec();
    const double connectMs = TimeJob(
        form, [&] { return ConnectOnStart::PressConnect(form, kCom); },
        [&] { return ConnectOnStart::Identified(form); });
    if (connectMs < 0) {
        std::printf("connect      did not finish\n");
        return 1;
    }
    std::printf(
        "connect      %8.1f ms   floor %8.1f ms (1000 ms wait + 6 exchanges)   ratio %.3f\n",
        connectMs, floor.ConnectMs(), connectMs / floor.ConnectMs());

    if (!TimeTransfer(form, floor, false) || !TimeTransfer(form, floor, true)) return 1;
    MeasureIdle(idleSeconds);
    for (const QString& message : messages.Messages())
        std::printf("message box: %s\n", qPrintable(message));
    return messages.Messages().isEmpty() ? 0 : 1;
}
