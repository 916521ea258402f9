#include <algorithm>
#include <cstdlib>
#include <type_traits>

#include "SioBaseDispatcher.h"

namespace {
// The number in a device name of the form "COM<n>", or 0.
int ComNumberOf(const std::string& name) {
    if (name.size() <= 3 || name.compare(0, 3, "COM") != 0) return 0;
    return std::atoi(name.c_str() + 3);
}
}  // namespace

void TSioBaseDispatcher::SyncStoreFlags() {
    tracingOn_ = trace_.Tracing();
    loggingOn_ = log_.Logging();
}

template <typename Operation>
auto TSioBaseDispatcher::WithStores(Operation operation) {
    std::lock_guard guard(stateLock_);
    if constexpr (std::is_void_v<decltype(operation())>) {
        operation();
        SyncStoreFlags();
    } else {
        const auto result = operation();
        SyncStoreFlags();
        return result;
    }
}

void TSioBaseDispatcher::Trace(char kind, const std::uint8_t* data, std::uint32_t length) {
    if (!tracingOn_) return;  // the common case costs no lock
    std::lock_guard guard(stateLock_);
    if (!trace_.Tracing()) return;
    for (std::uint32_t i = 0; i < length; ++i) trace_.TraceRecord(kind, data[i]);
}

void TSioBaseDispatcher::Log(std::uint8_t type, std::uint8_t subtype, std::uint32_t otherData,
                             const void* data, std::uint32_t length) {
    if (!loggingOn_) return;
    std::lock_guard guard(stateLock_);
    if (!log_.Logging()) return;
    log_.LogRecord(type, subtype, clock_->NowMs() - logTimeBase_, otherData, data, length);
}

std::int32_t TSioBaseDispatcher::TraceOpen(std::int32_t size) {
    return WithStores([&] { return trace_.TraceOpen(size); });
}

std::int32_t TSioBaseDispatcher::TraceWrite(const std::string& path, bool append, bool hexMode,
                                            bool allHex) {
    return WithStores([&] { return trace_.TraceWrite(path, append, hexMode, allHex); });
}

void TSioBaseDispatcher::TraceReset() {
    WithStores([this] { trace_.TraceReset(); });
}

void TSioBaseDispatcher::TraceDiscard() {
    WithStores([this] { trace_.TraceDiscard(); });
}

void TSioBaseDispatcher::TraceResume() {
    WithStores([this] { trace_.TraceResume(); });
}

void TSioBaseDispatcher::TracePause() {
    WithStores([this] { trace_.TracePause(); });
}

bool TSioBaseDispatcher::Tracing() const {
    std::lock_guard guard(stateLock_);
    return trace_.Tracing();
}

bool TSioBaseDispatcher::TraceExists() const {
    std::lock_guard guard(stateLock_);
    return trace_.Exists();
}

std::int32_t TSioBaseDispatcher::LogOpen(std::int32_t size) {
    return WithStores([&] {
        // One device read may carry a whole input ring; the log must be able to hold it.
        const std::uint32_t largest =
            std::max({std::uint32_t{inSize_}, std::uint32_t{outSize_}, TSioInputRing::Size});
        return log_.LogOpen(size, static_cast<std::int32_t>(largest));
    });
}

std::int32_t TSioBaseDispatcher::LogWrite(const std::string& path, bool append, bool hexMode,
                                          bool allHex) {
    return WithStores(
        [&] { return log_.LogWrite(path, append, hexMode, allHex, ComNumberOf(deviceName_)); });
}

void TSioBaseDispatcher::LogReset() {
    WithStores([this] { log_.LogReset(); });
}

void TSioBaseDispatcher::LogDiscard() {
    WithStores([this] { log_.LogDiscard(); });
}

void TSioBaseDispatcher::LogResume() {
    WithStores([this] { log_.LogResume(); });
}

void TSioBaseDispatcher::LogPause() {
    WithStores([this] { log_.LogPause(); });
}

bool TSioBaseDispatcher::Logging() const {
    std::lock_guard guard(stateLock_);
    return log_.Logging();
}

bool TSioBaseDispatcher::LogExists() const {
    std::lock_guard guard(stateLock_);
    return log_.Exists();
}
