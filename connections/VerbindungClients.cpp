#include "connections/VerbindungU.h"

#include "foundation/DebOutU.h"
#include "foundation/GlobalU.h"
#include "foundation/QuarnException.h"
#include "platform/WaitForAny.h"

#include <algorithm>

namespace quarn {

namespace {

constexpr std::string_view kClass = "TVerbindung";

} // namespace

bool TVerbindung::AddApplication(const std::shared_ptr<IApplication>& client) {
    if (released_.load()) {
        throw QuarnException(kClass, "AddApplication", "Connection released");
    }
    if (!client) {
        return false;
    }
    const Locker locker(clientLock_);
    const auto same = std::find_if(clients_.begin(), clients_.end(),
                                   [&](const ClientSlot& slot) { return slot.identity == client.get(); });
    if (same != clients_.end()) {
        return true;
    }
    const auto free = std::find_if(clients_.begin(), clients_.end(),
                                   [](const ClientSlot& slot) { return slot.identity == nullptr; });
    if (free == clients_.end()) {
        return false;
    }
    *free = ClientSlot{client.get(), std::make_shared<TStringQueue>(), 0};
    return true;
}

void TVerbindung::RemoveApplication(const std::shared_ptr<IApplication>& client) {
    const Locker locker(clientLock_);
    for (ClientSlot& slot : clients_) {
        if (slot.identity != nullptr && slot.identity == client.get()) {
            DebOutObj(kClass, "RemoveApplication", "Remove Application!");
            slot = ClientSlot{};
        }
    }
}

void TVerbindung::EmpfangeText(std::string_view text) {
    receive_.PushString(text);
    if (text.empty()) {
        return;
    }
    const Locker locker(clientLock_);
    for (ClientSlot& slot : clients_) {
        if (!slot.queue) {
            continue;
        }
        slot.queue->PushString(text);
        slot.bytes += text.size();
        // A client that never reads must not grow memory without limit: the oldest text goes.
        std::size_t dropped = 0;
        while (slot.bytes > kClientLimitBytes) {
            std::string head = slot.queue->PopString();
            slot.bytes -= head.size();
            dropped += head.size();
            if (slot.bytes < kClientLimitBytes) {
                const std::size_t keep = std::min(head.size(), kClientLimitBytes - slot.bytes);
                slot.queue->PushFrontString(std::string_view(head).substr(head.size() - keep));
                slot.bytes += keep;
                dropped -= keep;
            }
        }
        if (dropped > 0) {
            DebOutObjFmt(kClass, "EmpfangeText", "Client-Puffer voll, %zu Bytes verworfen.", dropped);
        }
    }
}

std::shared_ptr<TStringQueue> TVerbindung::ClientQueue(const std::shared_ptr<IApplication>& client) {
    if (AddApplication(client)) {
        const Locker locker(clientLock_);
        for (const ClientSlot& slot : clients_) {
            if (slot.identity == client.get() && slot.queue) {
                return slot.queue;
            }
        }
    }
    throw QuarnException(kClass, "ClientQueue", "Application not found.");
}

std::string TVerbindung::PopClientText(const std::shared_ptr<TStringQueue>& queue) {
    const Locker locker(clientLock_);
    if (queue->IsEmpty()) {
        return {};
    }
    std::string piece = queue->PopString();
    for (ClientSlot& slot : clients_) {
        if (slot.queue == queue) {
            slot.bytes -= std::min(slot.bytes, piece.size());
        }
    }
    return piece;
}

void TVerbindung::PushFrontClientText(const std::shared_ptr<TStringQueue>& queue, std::string_view text) {
    const Locker locker(clientLock_);
    queue->PushFrontString(text);
    for (ClientSlot& slot : clients_) {
        if (slot.queue == queue) {
            slot.bytes += text.size();
        }
    }
}

std::string TVerbindung::ReceiveText(const std::shared_ptr<IApplication>& client, const Event* clientGone) {
    CheckNotReleased();
    const std::shared_ptr<TStringQueue> queue = ClientQueue(client);
    for (;;) {
        if (!queue->IsEmpty()) {
            return PopClientText(queue);
        }
        WaitForClientText(*queue, clientGone, "ReceiveText");
    }
}

void TVerbindung::WaitForText(std::string_view text, const std::shared_ptr<IApplication>& client,
                              const Event* clientGone) {
    CheckNotReleased();
    if (text.empty()) {
        return;
    }
    const std::shared_ptr<TStringQueue> queue = ClientQueue(client);
    std::string window;
    for (;;) {
        if (queue->IsEmpty()) {
            WaitForClientText(*queue, clientGone, "WaitForText");
            continue;
        }
        // Keep just enough of what came before for a text split over pieces.
        const std::size_t keep = std::min(window.size(), text.size());
        window = window.substr(window.size() - keep) + PopClientText(queue);
        if (const auto at = window.find(text); at != std::string::npos) {
            PushFrontClientText(queue, std::string_view(window).substr(at + text.size()));
            return;
        }
    }
}

void TVerbindung::WaitForClientText(const TStringQueue& queue, const Event* clientGone, const char* method) {
    // A client that left keeps no queue here: nothing would ever end its wait.
    const Event& gone = clientGone != nullptr ? *clientGone : releasedEvent_;
    WaitForAny({queue.NotEmptyEvent(), releasedEvent_, QuitEvent(), gone}, kInfinite);
    CheckNotReleased();
    if (QuitEvent().IsSet()) {
        throw QuarnException(kClass, method, "Das Programm wird beendet.");
    }
    if (clientGone != nullptr && clientGone->IsSet()) {
        throw QuarnException(kClass, method, "Application not found.");
    }
}

void TVerbindung::WaitForText(std::string_view text) {
    WaitForText(text, CurrentAutomationClient());
}

std::string TVerbindung::ReceiveText() {
    return ReceiveText(CurrentAutomationClient());
}

} // namespace quarn
