// The window of the database check at start.
#include "ui/stationen/StationenDatenbankProgressForm.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

namespace quarn {

TStationenDatenbankProgressForm::TStationenDatenbankProgressForm(QWidget* owner)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint), owner_(owner) {
    setObjectName("StationenDatenbankProgressForm");
    setFixedSize(kGroesse);
    setAttribute(Qt::WA_ShowWithoutActivating);
}

QString TStationenDatenbankProgressForm::Text() const {
    return Tr("Überprüfe und repariere Datenbank...");
}

void TStationenDatenbankProgressForm::Zeigen() {
    QRect um;
    if (owner_ && owner_->isVisible()) {
        um = owner_->frameGeometry();
    } else if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        um = screen->availableGeometry();
    }
    if (um.isValid()) {
        move(um.center() - QPoint(width() / 2, height() / 2));
    }
    show();
    raise();
    repaint();
    // Painted now: the check that follows gives the event loop no turn for a while.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TStationenDatenbankProgressForm::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Base));
    QPen rahmen(palette().color(QPalette::WindowText));
    rahmen.setWidth(2);
    painter.setPen(rahmen);
    painter.drawRect(rect().adjusted(1, 1, -1, -1));
    painter.setPen(palette().color(QPalette::Text));
    painter.drawText(rect(), Qt::AlignCenter, Text());
}

} // namespace quarn
