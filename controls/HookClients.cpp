#include "controls/HookClients.h"

#include "platform/Exception.h"

#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QWidget>
#include <algorithm>

namespace quarn {

namespace {

constexpr THookKinds kFilterKinds = HookKindBit(THookKind::WindowPosChanged) |
                                    HookKindBit(THookKind::WindowDestroyed) |
                                    HookKindBit(THookKind::MessageRetrieved);

bool IsRetrievedInput(QEvent::Type type) {
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Wheel:
        return true;
    default:
        return false;
    }
}

} // namespace

THookClients& THookClients::Instance() {
    static THookClients* instance = [] {
        QUARN_ASSERT(QCoreApplication::instance() != nullptr, "HookClients");
        // Owned by the application object, so it goes with it.
        auto* clients = new THookClients();
        clients->setParent(QCoreApplication::instance());
        return clients;
    }();
    return *instance;
}

void THookClients::Subscribe(THookProc proc, THookKinds kinds, bool countOnly) {
    QUARN_ASSERT(proc != nullptr, "HookClients");
    auto found =
        std::find_if(clients_.begin(), clients_.end(), [&](const Client& c) { return c.proc == proc; });
    if (found == clients_.end()) {
        clients_.push_back({proc, 1, kinds, !countOnly});
    } else {
        ++found->count;
        found->kinds |= kinds;
        found->installed = found->installed || !countOnly;
    }
    UpdateInstallation();
}

void THookClients::Unsubscribe(THookProc proc) {
    auto found =
        std::find_if(clients_.begin(), clients_.end(), [&](const Client& c) { return c.proc == proc; });
    if (found == clients_.end()) {
        return;
    }
    if (--found->count <= 0) {
        clients_.erase(found);
    }
    UpdateInstallation();
}

int THookClients::UseCount(THookProc proc) const {
    auto found =
        std::find_if(clients_.begin(), clients_.end(), [&](const Client& c) { return c.proc == proc; });
    return found == clients_.end() ? 0 : found->count;
}

THookKinds THookClients::InstalledKinds() const {
    THookKinds kinds = 0;
    for (const Client& client : clients_) {
        if (client.installed) {
            kinds |= client.kinds;
        }
    }
    return kinds;
}

void THookClients::UpdateInstallation() {
    const THookKinds kinds = InstalledKinds();
    const bool wantFilter = (kinds & kFilterKinds) != 0;
    if (wantFilter != filterInstalled_) {
        if (wantFilter) {
            QCoreApplication::instance()->installEventFilter(this);
        } else {
            QCoreApplication::instance()->removeEventFilter(this);
        }
        filterInstalled_ = wantFilter;
    }
    const bool wantActivation = (kinds & HookKindBit(THookKind::AppActivation)) != 0;
    if (wantActivation && !activation_) {
        auto* application = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
        if (application) {
            activation_ = connect(application, &QGuiApplication::applicationStateChanged, this,
                                  &THookClients::ApplicationStateChanged);
        }
    } else if (!wantActivation && activation_) {
        disconnect(activation_);
        activation_ = {};
    }
}

bool THookClients::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type == QEvent::Move || type == QEvent::Resize) {
        if (watched->isWidgetType()) {
            Dispatch({THookKind::WindowPosChanged, watched, event});
        }
    } else if (type == QEvent::Show || type == QEvent::Hide) {
        // A window shown or hidden changed its place on the screen as much as one that moved.
        if (watched->isWidgetType() && static_cast<QWidget*>(watched)->isWindow()) {
            Dispatch({THookKind::WindowPosChanged, watched, event});
        }
    } else if (type == QEvent::Destroy) {
        Dispatch({THookKind::WindowDestroyed, watched, event});
    } else if (IsRetrievedInput(type)) {
        Dispatch({THookKind::MessageRetrieved, watched, event});
    }
    // A hook only looks: the event always goes on to its receiver.
    return false;
}

void THookClients::ApplicationStateChanged(Qt::ApplicationState state) {
    Dispatch({THookKind::AppActivation, nullptr, nullptr, state == Qt::ApplicationActive});
}

void THookClients::Dispatch(const THookEvent& event) {
    const THookKinds bit = HookKindBit(event.kind);
    // A client may subscribe or leave while it is called: walk a copy, and skip those gone meanwhile.
    std::vector<THookProc> procs;
    procs.reserve(clients_.size());
    for (const Client& client : clients_) {
        if (client.installed && (client.kinds & bit) != 0) {
            procs.push_back(client.proc);
        }
    }
    for (THookProc proc : procs) {
        if (UseCount(proc) == 0) {
            continue;
        }
        try {
            proc(event);
        } catch (...) {
            // One faulty client must not cost the others their notification nor the event its receiver.
        }
    }
}

} // namespace quarn
