#include "SioPortHooks.h"

#include <mutex>

#include "SioMessageLoop.h"

namespace {

std::mutex hookLock;

TSioNotifierFactory& Factory() {
    static TSioNotifierFactory factory;
    return factory;
}

TSioPortPrompt& Prompt() {
    static TSioPortPrompt prompt;
    return prompt;
}

}  // namespace

void SetSioNotifierFactory(TSioNotifierFactory factory) {
    std::lock_guard guard(hookLock);
    Factory() = std::move(factory);
}

std::unique_ptr<TSioNotifier> MakeSioNotifier(TSioWindowProc procedure) {
    TSioNotifierFactory factory;
    {
        std::lock_guard guard(hookLock);
        factory = Factory();
    }
    if (factory) return factory(std::move(procedure));
    return std::make_unique<TSioMessageLoop>(std::move(procedure));
}

void SetSioPortPrompt(TSioPortPrompt prompt) {
    std::lock_guard guard(hookLock);
    Prompt() = std::move(prompt);
}

std::optional<std::uint16_t> PromptForSioPort() {
    TSioPortPrompt prompt;
    {
        std::lock_guard guard(hookLock);
        prompt = Prompt();
    }
    if (!prompt) return std::nullopt;
    return prompt();
}
