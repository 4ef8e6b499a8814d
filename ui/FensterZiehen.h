#pragma once

#include <QPoint>

class QMouseEvent;
class QWidget;

namespace quarn {

// Moving a window with the left mouse button from anywhere on it, as if from its caption. Where the
// platform offers it the window manager moves the window (QWindow::startSystemMove); elsewhere the window
// follows the mouse's offset from the point where the press began, in screen coordinates, so it stays
// under the mouse exactly.
class TFensterZiehen {
public:
    explicit TFensterZiehen(QWidget& fenster) : fenster_(fenster) {}

    // Each returns whether it took the event.
    bool Druck(const QMouseEvent& event);
    bool Bewegung(const QMouseEvent& event);
    bool Loslassen(const QMouseEvent& event);

    bool Zieht() const { return zieht_; }

private:
    QWidget& fenster_;
    bool zieht_ = false;
    QPoint startMaus_;
    QPoint startOrt_;
};

} // namespace quarn
