#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "SioWin32Io.h"
#include "SioWin32Windows.h"

namespace {

// Both ends of an overlapped named pipe, standing in for a device: a read on it stays pending
// until the other end writes.
class PipePair {
  public:
    PipePair() {
        const std::string name = "\\\\.\\pipe\\rostermate-io-test-" +
                                 std::to_string(::GetCurrentProcessId()) + "-" +
                                 std::to_string(++serial_);
        server_ = ::CreateNamedPipeA(name.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED,
                                     PIPE_TYPE_BYTE, 1, 4096, 4096, 0, nullptr);
        client_ = ::CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    }
    ~PipePair() {
        if (client_ != INVALID_HANDLE_VALUE) ::CloseHandle(client_);
        if (server_ != INVALID_HANDLE_VALUE) ::CloseHandle(server_);
    }
    bool Valid() const {
        return server_ != INVALID_HANDLE_VALUE && client_ != INVALID_HANDLE_VALUE;
    }
    HANDLE Device() const { return server_; }
    void Send(const std::string& text) const {
        DWORD written = 0;
        ::WriteFile(client_, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    }

  private:
    static inline int serial_ = 0;
    HANDLE server_ = INVALID_HANDLE_VALUE;
    HANDLE client_ = INVALID_HANDLE_VALUE;
};

class SioWin32IoTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(pipe.Valid());
        ASSERT_TRUE(io.Create());
        ASSERT_TRUE(wake.Create(false));
    }
    // Starts a read of up to 8 bytes into `buffer` and finishes it.
    TSioIoOutcome Read(DWORD limitMs, HANDLE wakeHandle) {
        const BOOL started = ::ReadFile(pipe.Device(), buffer, 8, nullptr, io.Prepare());
        return io.Finish(pipe.Device(), started, wakeHandle, limitMs);
    }

    PipePair pipe;
    TSioWin32Overlapped io;
    TSioWin32Event wake;
    char buffer[8] = {};
};

}  // namespace

TEST_F(SioWin32IoTest, WaitingReadEndsWithItsBytes) {
    pipe.Send("abc");
    const TSioIoOutcome outcome = Read(5000, wake.Get());
    EXPECT_TRUE(outcome.Ok);
    EXPECT_FALSE(outcome.Interrupted);
    ASSERT_EQ(outcome.Bytes, 3u);
    EXPECT_EQ(std::string(buffer, 3), "abc");
}

TEST_F(SioWin32IoTest, WakeUpCancelsAPendingReadAndTheRecordIsFreeAfterwards) {
    wake.Set();
    const TSioIoOutcome woken = Read(5000, wake.Get());
    EXPECT_TRUE(woken.Pended);
    EXPECT_TRUE(woken.Interrupted);
    EXPECT_FALSE(woken.Ok);
    EXPECT_EQ(woken.Bytes, 0u);
    // Bytes sent after the cancel go to the next read, not into the abandoned one.
    pipe.Send("xy");
    const TSioIoOutcome next = Read(5000, wake.Get());
    ASSERT_TRUE(next.Ok);
    ASSERT_EQ(next.Bytes, 2u);
    EXPECT_EQ(std::string(buffer, 2), "xy");
}

TEST_F(SioWin32IoTest, TimeLimitEndsAReadThatNothingAnswers) {
    const auto start = std::chrono::steady_clock::now();
    const TSioIoOutcome outcome = Read(50, nullptr);
    EXPECT_TRUE(outcome.Interrupted);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

TEST_F(SioWin32IoTest, ImmediateFailureCarriesTheSystemsNumber) {
    // A read on a handle that is not open fails without ever pending.
    const BOOL started = ::ReadFile(INVALID_HANDLE_VALUE, buffer, 8, nullptr, io.Prepare());
    const TSioIoOutcome outcome = io.Finish(INVALID_HANDLE_VALUE, started, wake.Get(), 5000);
    EXPECT_FALSE(outcome.Ok);
    EXPECT_FALSE(outcome.Pended);
    EXPECT_EQ(outcome.Error, static_cast<std::uint32_t>(ERROR_INVALID_HANDLE));
}
