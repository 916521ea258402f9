#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "SioNotifier.h"

// Program-wide choices a window system makes for every com port: what carries a port's events
// to the thread that opened it, and how the user is asked for a port number.

using TSioNotifierFactory = std::function<std::unique_ptr<TSioNotifier>(TSioWindowProc)>;
// The number the user chose, or nothing when the choice was cancelled.
using TSioPortPrompt = std::function<std::optional<std::uint16_t>()>;

// An empty factory restores the default, a plain TSioMessageLoop of the opening thread.
void SetSioNotifierFactory(TSioNotifierFactory factory);
std::unique_ptr<TSioNotifier> MakeSioNotifier(TSioWindowProc procedure);

// Without a prompt, a port without a number cannot be opened.
void SetSioPortPrompt(TSioPortPrompt prompt);
std::optional<std::uint16_t> PromptForSioPort();
