#include "ui/BefehlU.h"

#include "ui/BefehlRemoteU.h"

#include <QKeyEvent>
#include <QPushButton>
#include <QVBoxLayout>

namespace quarn {

TDlgBefehl::TDlgBefehl(TBefehlAktionen aktionen, QWidget* owner)
    : TFormKio(owner), aktionen_(std::move(aktionen)) {
    setWindowTitle(Tr("Befehl"));
    connectBtn_ = new QPushButton(Tr("Verbinden (&C)"), this);
    connectBtn_->setObjectName("ConnectBtn");
    disconnectBtn_ = new QPushButton(Tr("Trennen (&D)"), this);
    disconnectBtn_->setObjectName("DisconnectBtn");
    remoteBtn_ = new QPushButton(Tr("&//"), this);
    remoteBtn_->setObjectName("RemoteBtn");
    remoteBtn_->setEnabled(false);
    abbruchBtn_ = new QPushButton(Tr("Abbrechen"), this);
    abbruchBtn_->setObjectName("AbbruchBtn");

    auto* layout = new QVBoxLayout(this);
    for (QPushButton* b : {connectBtn_, disconnectBtn_, remoteBtn_, abbruchBtn_}) {
        b->setAutoDefault(false);
        layout->addWidget(b);
    }

    connect(connectBtn_, &QPushButton::clicked, this, [this] {
        Schliessen();
        if (aktionen_.verbinden)
            aktionen_.verbinden();
    });
    connect(disconnectBtn_, &QPushButton::clicked, this, [this] {
        if (aktionen_.trennen)
            aktionen_.trennen();
        Schliessen();
    });
    connect(remoteBtn_, &QPushButton::clicked, this, [this] {
        Schliessen();
        if (aktionen_.fernsteuern) {
            aktionen_.fernsteuern();
            return;
        }
        TDlgBefehlRemote remote(parentWidget());
        remote.exec();
    });
    connect(abbruchBtn_, &QPushButton::clicked, this, &QDialog::reject);
    Loaded();
}

void TDlgBefehl::Schliessen() {
    hide();
    reject();
}

void TDlgBefehl::keyPressEvent(QKeyEvent* event) {
    const QString text = event->text().toUpper();
    if (text == "C" || text == "V") {
        connectBtn_->click();
    } else if (text == "D" || text == "T") {
        disconnectBtn_->click();
    } else if (text == "/") {
        remoteBtn_->click();
    } else {
        TFormKio::keyPressEvent(event);
        return;
    }
    event->accept();
}

} // namespace quarn
