#include "foundation/ImmediateExit.h"

#include "foundation/DebOutU.h"
#include "platform/Registry.h"

#include <mutex>
#include <unistd.h>
#include <utility>
#include <vector>

namespace quarn {
namespace {

struct Hooks {
    std::mutex mutex;
    unsigned long nextId = 1;
    std::vector<std::pair<unsigned long, std::function<void()>>> list;
};

Hooks& Registered() {
    static Hooks hooks;
    return hooks;
}

} // namespace

TImmediateExitHook::TImmediateExitHook(std::function<void()> action) {
    Hooks& hooks = Registered();
    const std::lock_guard lock(hooks.mutex);
    id_ = hooks.nextId++;
    hooks.list.emplace_back(id_, std::move(action));
}

TImmediateExitHook::~TImmediateExitHook() {
    Hooks& hooks = Registered();
    const std::lock_guard lock(hooks.mutex);
    std::erase_if(hooks.list, [this](const auto& entry) { return entry.first == id_; });
}

void ImmediateExit(int exitCode) {
    DebOutObj("Hauptprogramm", "ImmediateExit", "begin...");
    std::vector<std::function<void()>> actions;
    {
        Hooks& hooks = Registered();
        const std::lock_guard lock(hooks.mutex);
        for (const auto& entry : hooks.list) {
            actions.push_back(entry.second);
        }
    }
    for (const auto& action : actions) {
        try {
            action();
        } catch (...) {
            DebOutObj("Hauptprogramm", "ImmediateExit", "FEHLER: a hook failed");
        }
    }
    try {
        RegistryStore::Instance().Flush();
    } catch (...) {
    }
    DebOutObj("Hauptprogramm", "ImmediateExit", "end.");
    ::_exit(exitCode);
}

} // namespace quarn
