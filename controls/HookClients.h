#pragma once

#include <QObject>
#include <QPointer>
#include <cstdint>
#include <vector>

class QEvent;

namespace quarn {

// What a hook client may ask to hear about, as bits of a set.
enum class THookKind : std::uint8_t {
    // The application became active or inactive.
    AppActivation = 0,
    // A window (a top-level or a child widget) moved or changed its size; a top-level also when shown or
    // hidden.
    WindowPosChanged = 1,
    // A widget is being destroyed.
    WindowDestroyed = 2,
    // An input event (mouse, key, wheel) taken from the queue for a widget.
    MessageRetrieved = 3,
};

using THookKinds = std::uint8_t;
constexpr THookKinds HookKindBit(THookKind kind) {
    return static_cast<THookKinds>(1u << static_cast<unsigned>(kind));
}

// One notification. `target` and `event` are null for AppActivation, which carries `active` instead.
struct THookEvent {
    THookKind kind;
    QObject* target = nullptr;
    QEvent* event = nullptr;
    bool active = false;
};

using THookProc = void (*)(const THookEvent& event);

// The thread hooks of the design as one registry of clients on the GUI thread: an application event
// filter stands in for the call-window-procedure, CBT and get-message hooks, and the application's state
// signal for the activation message. Each part is installed when the first client wanting one of its kinds
// arrives and removed when the last one leaves. A client that throws is skipped over: the others and the
// event itself go on.
class THookClients : public QObject {
public:
    static THookClients& Instance();

    // Adds `proc` with `kinds` or, when it is there already, counts it once more. With `countOnly` nothing
    // is installed yet for a new client (it hears nothing until subscribed in full).
    void Subscribe(THookProc proc, THookKinds kinds, bool countOnly = false);
    // Lowers the count of `proc`; at zero the client goes, and so does every part no one else needs.
    void Unsubscribe(THookProc proc);

    int UseCount(THookProc proc) const;
    bool IsFilterInstalled() const { return filterInstalled_; }
    bool IsActivationWatched() const { return static_cast<bool>(activation_); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    THookClients() = default;

    struct Client {
        THookProc proc;
        int count;
        THookKinds kinds;
        bool installed;
    };

    THookKinds InstalledKinds() const;
    void UpdateInstallation();
    void Dispatch(const THookEvent& event);
    void ApplicationStateChanged(Qt::ApplicationState state);

    std::vector<Client> clients_;
    bool filterInstalled_ = false;
    QMetaObject::Connection activation_;
};

} // namespace quarn
