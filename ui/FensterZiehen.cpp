#include "ui/FensterZiehen.h"

#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

namespace quarn {

bool TFensterZiehen::Druck(const QMouseEvent& event) {
    if (event.button() != Qt::LeftButton) {
        return false;
    }
    if (QWindow* window = fenster_.windowHandle(); window != nullptr && window->startSystemMove()) {
        // The window manager has the mouse until the button goes up.
        return true;
    }
    zieht_ = true;
    startMaus_ = event.globalPosition().toPoint();
    startOrt_ = fenster_.pos();
    return true;
}

bool TFensterZiehen::Bewegung(const QMouseEvent& event) {
    if (!zieht_) {
        return false;
    }
    if (!(event.buttons() & Qt::LeftButton)) {
        // The release went elsewhere (a grab taken meanwhile): the drag is over.
        zieht_ = false;
        return false;
    }
    fenster_.move(startOrt_ + event.globalPosition().toPoint() - startMaus_);
    return true;
}

bool TFensterZiehen::Loslassen(const QMouseEvent& event) {
    if (!zieht_ || event.button() != Qt::LeftButton) {
        return false;
    }
    zieht_ = false;
    return true;
}

} // namespace quarn
