#include "ui/BefehlRemoteU.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace quarn {

TDlgBefehlRemote::TDlgBefehlRemote(QWidget* owner) : TFormKio(owner) {
    setWindowTitle(Tr("Fernsteuerbefehl"));
    auto* panel = new QFrame(this);
    panel->setFrameShape(QFrame::StyledPanel);
    auto* text = new QLabel(Tr("under construction"), panel);
    text->setAlignment(Qt::AlignCenter);
    auto* panelLayout = new QVBoxLayout(panel);
    panelLayout->addWidget(text);

    auto* ok = new QPushButton(Tr("Ok"), this);
    ok->setObjectName("OkBtn");
    ok->setDefault(true);
    auto* abbruch = new QPushButton(Tr("Abbrechen"), this);
    abbruch->setObjectName("AbbruchBtn");
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(abbruch, &QPushButton::clicked, this, &QDialog::reject);

    auto* knoepfe = new QHBoxLayout;
    knoepfe->addStretch();
    knoepfe->addWidget(ok);
    knoepfe->addWidget(abbruch);
    auto* haupt = new QVBoxLayout(this);
    haupt->addWidget(panel);
    haupt->addLayout(knoepfe);
    Loaded();
}

} // namespace quarn
