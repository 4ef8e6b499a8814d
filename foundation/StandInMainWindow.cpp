#include "foundation/StandInMainWindow.h"

#include "foundation/DebOutU.h"
#include "foundation/SingleInstance.h"
#include "foundation/SplashU.h"

#include <QEvent>
#include <QLabel>

namespace quarn {

TStandInMainWindow::TStandInMainWindow() {
    setObjectName("Hauptfenster");
    setWindowTitle(kMainWindowTitle);
    setMinimumSize(340, 280);
    auto* text = new QLabel("Quarn", this);
    text->setAlignment(Qt::AlignCenter);
    setCentralWidget(text);
    // A child of the window, so it goes with the window should that close within the delay.
    const QPointer<TDlgSplash> splash = TDlgSplash::Open(this);
    splash->SetStatus(Tr("Bereit."));
    splash->CloseDelayed();
    DebOutObj("TStandInMainWindow", "Create", "end.");
}

bool TStandInMainWindow::event(QEvent* event) {
    if (event->type() == static_cast<QEvent::Type>(WM_AKTIVIEREN)) {
        Activate();
        return true;
    }
    return QMainWindow::event(event);
}

void TStandInMainWindow::Activate() {
    // Restored even from minimised, then brought to the front.
    setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    show();
    raise();
    activateWindow();
    DebOutObj("TStandInMainWindow", "wmAktivieren", isVisible() ? "sichtbar." : "FEHLER: nicht sichtbar.");
}

} // namespace quarn
