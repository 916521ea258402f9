#include <algorithm>
#include <cstdlib>

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
    std::lock_guard guard(stateLock_);
    const std::int32_t result = trace_.TraceOpen(size);
    SyncStoreFlags();
    return result;
}

std::int32_t TSioBaseDispatcher::TraceWrite(const std::string& path, bool append, bool hexMode,
                                            bool allHex) {
    std::lock_guard guard(stateLock_);
    const std::int32_t result = trace_.TraceWrite(path, append, hexMode, allHex);
    SyncStoreFlags();
    return result;
}

void TSioBaseDispatcher::TraceReset() {
    std::lock_guard guard(stateLock_);
    trace_.TraceReset();
    SyncStoreFlags();
}

void TSioBaseDispatcher::TraceDiscard() {
    std::lock_guard guard(stateLock_);
    trace_.TraceDiscard();
    SyncStoreFlags();
}

void TSioBaseDispatcher::TraceResume() {
    std::lock_guard guard(stateLock_);
    trace_.TraceResume();
    SyncStoreFlags();
}

void TSioBaseDispatcher::TracePause() {
    std::lock_guard guard(stateLock_);
    trace_.TracePause();
    SyncStoreFlags();
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
    std::lock_guard guard(stateLock_);
    // One device read may carry a whole input ring; the log must be able to hold it.
    const std::uint32_t largest =
        std::max({std::uint32_t{inSize_}, std::uint32_t{outSize_}, TSioInputRing::Size});
    const std::int32_t result = log_.LogOpen(size, static_cast<std::int32_t>(largest));
    SyncStoreFlags();
    return result;
}

std::int32_t TSioBaseDispatcher::LogWrite(const std::string& path, bool append, bool hexMode,
                                          bool allHex) {
    std::lock_guard guard(stateLock_);
    const std::int32_t result =
        log_.LogWrite(path, append, hexMode, allHex, ComNumberOf(deviceName_));
    SyncStoreFlags();
    return result;
}

void TSioBaseDispatcher::LogReset() {
    std::lock_guard guard(stateLock_);
    log_.LogReset();
    SyncStoreFlags();
}

void TSioBaseDispatcher::LogDiscard() {
    std::lock_guard guard(stateLock_);
    log_.LogDiscard();
    SyncStoreFlags();
}

void TSioBaseDispatcher::LogResume() {
    std::lock_guard guard(stateLock_);
    log_.LogResume();
    SyncStoreFlags();
}

void TSioBaseDispatcher::LogPause() {
    std::lock_guard guard(stateLock_);
    log_.LogPause();
    SyncStoreFlags();
}

bool TSioBaseDispatcher::Logging() const {
    std::lock_guard guard(stateLock_);
    return log_.Logging();
}

bool TSioBaseDispatcher::LogExists() const {
    std::lock_guard guard(stateLock_);
    return log_.Exists();
}
