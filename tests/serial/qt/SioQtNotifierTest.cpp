// The notification object: messages from worker threads run on the GUI thread.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <atomic>
#include <stdexcept>
#include <thread>

#include "QtWaitUntil.h"
#include "SioExceptionDisplay.h"
#include "SioQtNotifier.h"

namespace {

TSioMessage Message(std::uint32_t msg, std::uintptr_t w = 0) {
    TSioMessage m;
    m.Msg = msg;
    m.WParam = w;
    return m;
}

}  // namespace

TEST(SioQtNotifier, SendRunsOnTheOwnerThreadAndReturnsItsResult) {
    std::vector<std::uint32_t> seen;
    bool onGui = true;
    const auto gui = std::this_thread::get_id();
    TSioQtNotifier notifier([&](const TSioMessage& m) {
        onGui = onGui && std::this_thread::get_id() == gui;
        seen.push_back(m.Msg);
        return static_cast<std::intptr_t>(m.WParam * 2);
    });
    std::optional<std::intptr_t> answer;
    std::atomic<bool> done{false};
    std::thread worker([&] {
        notifier.Post(Message(1));
        answer = notifier.Send(Message(2, 21), std::chrono::seconds(10));
        done = true;
    });
    EXPECT_TRUE(QtWaitUntil([&] { return done.load(); }));
    worker.join();
    EXPECT_EQ(answer, 42);
    EXPECT_EQ(seen, (std::vector<std::uint32_t>{1, 2}));
    EXPECT_TRUE(onGui);
    // From the owner thread itself the procedure runs at once.
    EXPECT_EQ(notifier.Send(Message(3, 5), std::chrono::milliseconds(1)), 10);
}

TEST(SioQtNotifier, AMessageWhoseSenderGaveUpIsDropped) {
    int calls = 0;
    TSioQtNotifier notifier([&](const TSioMessage&) {
        ++calls;
        return std::intptr_t{0};
    });
    std::optional<std::intptr_t> answer = 7;
    std::thread worker([&] { answer = notifier.Send(Message(1), std::chrono::milliseconds(20)); });
    worker.join();  // nobody pumped: the send gave up
    EXPECT_FALSE(answer.has_value());
    QCoreApplication::processEvents();
    EXPECT_FALSE(notifier.PumpOne());
    EXPECT_EQ(calls, 0);
}

TEST(SioQtNotifier, AnExceptionIsShownOnceAfterTheSenderWasReleased) {
    std::vector<std::string> shown;
    const TSioExceptionDisplay previous =
        SetSioExceptionDisplay([&](const std::string& text) { shown.push_back(text); });
    TSioQtNotifier notifier(
        [](const TSioMessage&) -> std::intptr_t { throw std::runtime_error("handler failed"); });
    std::optional<std::intptr_t> answer;
    std::atomic<bool> done{false};
    std::thread worker([&] {
        answer = notifier.Send(Message(1), std::chrono::seconds(10));
        done = true;
    });
    EXPECT_TRUE(QtWaitUntil([&] { return done.load(); }));
    worker.join();
    EXPECT_FALSE(answer.has_value());  // released without an answer
    EXPECT_EQ(shown, std::vector<std::string>{"handler failed"});
    SetSioExceptionDisplay(previous);
}

TEST(SioQtNotifier, DestructionReleasesWaitingSenders) {
    auto notifier =
        std::make_unique<TSioQtNotifier>([](const TSioMessage&) { return std::intptr_t{1}; });
    std::atomic<bool> done{false};
    std::optional<std::intptr_t> answer = 7;
    std::thread worker([&] {
        answer = notifier->Send(Message(1), std::chrono::seconds(30));
        done = true;
    });
    ASSERT_TRUE(WaitUntil([&] { return notifier->PendingCount() == 1; }));
    notifier.reset();
    worker.join();
    EXPECT_FALSE(answer.has_value());
}
