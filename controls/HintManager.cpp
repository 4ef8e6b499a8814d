#include "controls/HintManager.h"

#include "controls/HintWindowKio.h"

#include <QApplication>
#include <QCursor>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QWidget>

namespace quarn {

QWidget* HintWidgetFor(QWidget* widget) {
    for (QWidget* w = widget; w != nullptr; w = w->parentWidget()) {
        if (!w->toolTip().isEmpty()) {
            return w;
        }
        if (w->isWindow()) {
            break;
        }
    }
    return nullptr;
}

THintManager::THintManager(int pause, int shortPause, int hidePause, QObject* parent)
    : QObject(parent), pause_(pause), shortPause_(shortPause), hidePause_(hidePause) {
    setObjectName("HintManager");
    wakeTimer_.setSingleShot(true);
    hideTimer_.setSingleShot(true);
    connect(&wakeTimer_, &QTimer::timeout, this, [this] { ShowHint(); });
    connect(&hideTimer_, &QTimer::timeout, this, [this] { CancelHint(); });
    qApp->installEventFilter(this);
}

THintManager::~THintManager() {
    if (QCoreApplication::instance() != nullptr) {
        qApp->removeEventFilter(this);
    }
}

void THintManager::CancelHint() {
    hintActive_ = false;
    wakeTimer_.stop();
    hideTimer_.stop();
    if (window_) {
        window_->ReleaseHint();
    }
}

void THintManager::MouseMoved(QWidget* receiver, const QPoint& global) {
    cursor_ = global;
    QWidget* target = HintWidgetFor(receiver);
    if (target == target_) {
        return;
    }
    target_ = target;
    wakeTimer_.stop();
    if (window_ && window_->HintShown()) {
        window_->ReleaseHint();
    }
    // Once a hint has shown, the next one follows quickly until a click, a key or the hide pause.
    if (target != nullptr) {
        wakeTimer_.start(hintActive_ ? shortPause_ : pause_);
    }
}

void THintManager::ShowHint() {
    if (!target_ || !target_->isVisible() || !target_->window()->isActiveWindow()) {
        return;
    }
    QString text = target_->toolTip();
    text = text.left(text.indexOf(QLatin1Char('|')));
    if (text.isEmpty()) {
        return;
    }
    CloseChannelHint();
    if (!window_) {
        window_ = CreateHintWindow();
    }
    // Below the pointer, clear of the cursor's picture.
    const int cursorHeight = QCursor(Qt::ArrowCursor).pixmap().height();
    const QRect screen = target_->screen() != nullptr ? target_->screen()->availableGeometry() : QRect();
    window_->ActivateHint(cursor_ + QPoint(0, cursorHeight > 0 ? cursorHeight : 16), text,
                          screen.isValid() ? screen.width() : 1024);
    hintActive_ = true;
    hideTimer_.start(hidePause_);
}

bool THintManager::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseMove: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget == nullptr || mouse->buttons() != Qt::NoButton) {
            break;
        }
        // A move the receiver ignored reaches its parents as well; the first receiver decides.
        const QPoint global = mouse->globalPosition().toPoint();
        if (mouse->timestamp() == lastMoveTimestamp_ && global == lastMovePoint_ && target_ != nullptr) {
            break;
        }
        lastMoveTimestamp_ = mouse->timestamp();
        lastMovePoint_ = global;
        MouseMoved(widget, global);
        break;
    }
    case QEvent::Leave:
        if (watched == target_) {
            MouseMoved(nullptr, QCursor::pos());
        }
        break;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::Wheel:
        CancelHint();
        break;
    case QEvent::ApplicationDeactivate:
        CancelHint();
        target_ = nullptr;
        break;
    case QEvent::ToolTip:
        // Hints with a tool tip of their own are ours; item views' per-item tips stay Qt's.
        if (auto* widget = qobject_cast<QWidget*>(watched);
            widget != nullptr && HintWidgetFor(widget) != nullptr) {
            return true;
        }
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

std::unique_ptr<THintManager> StartHintManager(int pause, int shortPause, int hidePause) {
    RegisterHintWindowKio();
    return std::make_unique<THintManager>(pause, shortPause, hidePause);
}

} // namespace quarn
