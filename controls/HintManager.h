#pragma once

#include "foundation/HintWindowU.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <memory>

class QWidget;

namespace quarn {

// Shows every widget's hint (its tool tip) in the application's hint window class: after `pause` ms of
// rest over the widget, after `shortPause` when a hint was showing as the pointer came, hidden again
// after `hidePause` ms, on a click, a key or when the application loses the focus. A new hint closes
// the channel's hint first. Qt's own tool-tip events of those widgets are swallowed.
class THintManager : public QObject {
    Q_OBJECT

public:
    THintManager(int pause, int shortPause, int hidePause, QObject* parent = nullptr);
    ~THintManager() override;

    const IHintWindow* Window() const { return window_.get(); }
    void CancelHint();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void MouseMoved(QWidget* receiver, const QPoint& global);
    void ShowHint();

    int pause_;
    int shortPause_;
    int hidePause_;
    QTimer wakeTimer_;
    QTimer hideTimer_;
    QPointer<QWidget> target_;
    QPoint cursor_;
    bool hintActive_ = false;
    std::unique_ptr<IHintWindow> window_;
    quint64 lastMoveTimestamp_ = 0;
    QPoint lastMovePoint_;
};

// The widget whose hint the pointer over `widget` shows: it or the nearest parent in its window with a
// tool tip; null when there is none.
QWidget* HintWidgetFor(QWidget* widget);

// Registers the program's hint window and starts a hint manager with these pauses (ms); its owner keeps
// it while the application runs.
std::unique_ptr<THintManager> StartHintManager(int pause, int shortPause, int hidePause);

} // namespace quarn
