#include "ui/einstellungen/EinstellungenU.h"

#include "controls/ThemeManagerU.h"
#include "foundation/DebOutU.h"
#include "foundation/UnhandledExceptionU.h"
#include "ui/einstellungen/EinstellungenSeiten.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace quarn {

namespace {

constexpr const char* kClass = "TEinstellungenForm";

// The first control of the page that takes the focus by tab or click, in tab order.
QWidget* ErstesFokusZiel(QWidget& seite) {
    QWidget* next = seite.nextInFocusChain();
    while (next && next != &seite) {
        if (seite.isAncestorOf(next) && (next->focusPolicy() & Qt::TabFocus) && next->isEnabled()) {
            return next;
        }
        next = next->nextInFocusChain();
    }
    return nullptr;
}

} // namespace

TEinstellungenForm::TEinstellungenForm(QWidget* parent, TSeitenFabrik fabrik)
    : QDialog(parent), fabrik_(fabrik ? std::move(fabrik) : TSeitenFabrik(EinstellungenSeiteErzeugen)) {
    setObjectName(QStringLiteral("EinstellungenForm"));
    setWindowTitle(Tr("Einstellungen"));
    setModal(false);
    tabs_ = new QTabWidget(this);
    for (int index = 0; index < kEinstellungenSeiten; ++index) {
        auto* reiter = new QWidget(tabs_);
        auto* layout = new QVBoxLayout(reiter);
        layout->setContentsMargins(0, 0, 0, 0);
        reiter_[static_cast<std::size_t>(index)] = reiter;
        tabs_->addTab(reiter, Tr(EinstellungenSeiteTitel(index)));
    }
    okButton_ = new QPushButton(Tr("OK"), this);
    okButton_->setDefault(true);
    abbrechenButton_ = new QPushButton(Tr("Abbrechen"), this);
    uebernehmenButton_ = new QPushButton(Tr("Übe&rnehmen"), this);
    auto* knoepfe = new QHBoxLayout;
    knoepfe->addStretch(1);
    knoepfe->addWidget(okButton_);
    knoepfe->addWidget(abbrechenButton_);
    knoepfe->addWidget(uebernehmenButton_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs_, 1);
    layout->addLayout(knoepfe);
    // Wide enough for every tab caption in one row.
    resize(std::max(560, tabs_->tabBar()->sizeHint().width() + 40), 440);

    connect(okButton_, &QPushButton::clicked, this, [this] {
        Uebernehmen();
        close();
    });
    connect(abbrechenButton_, &QPushButton::clicked, this, &QWidget::close);
    connect(uebernehmenButton_, &QPushButton::clicked, this, &TEinstellungenForm::Uebernehmen);

    SeiteZeigen(0);
    connect(tabs_, &QTabWidget::currentChanged, this, &TEinstellungenForm::TabGewechselt);
}

TEinstellungenForm::~TEinstellungenForm() {
    DebOutObj(kClass, "FormDestroy", "");
}

TTabForm* TEinstellungenForm::Seite(int index) const {
    return seiten_.at(static_cast<std::size_t>(index));
}

void TEinstellungenForm::Uebernehmen() {
    for (TTabForm* seite : seiten_) {
        if (seite) {
            seite->Apply();
        }
    }
}

void TEinstellungenForm::TabGewechselt(int index) {
    // A slot may not let an exception into the event loop: the application's handler reports it.
    try {
        SeiteZeigen(index);
    } catch (...) {
        ReportUnhandledException(std::current_exception(), kClass, "PageControlChange",
                                 Tr(EinstellungenSeiteTitel(index)).toStdString());
    }
}

void TEinstellungenForm::SeiteZeigen(int index) {
    if (wechselt_) {
        return;
    }
    wechselt_ = true;
    struct Zurueck {
        bool& flag;
        ~Zurueck() { flag = false; }
    } zurueck{wechselt_};
    SeiteErzeugen(index);
    // A tab chosen while that page was being made gets its page too.
    while (tabs_->currentIndex() >= 0 && !Seite(tabs_->currentIndex())) {
        SeiteErzeugen(tabs_->currentIndex());
    }
}

void TEinstellungenForm::SeiteErzeugen(int index) {
    const auto at = static_cast<std::size_t>(index);
    if (index < 0 || index >= kEinstellungenSeiten || seiten_[at]) {
        return;
    }
    QWidget* reiter = reiter_[at];
    reiter->setUpdatesEnabled(false);
    struct Freigabe {
        QWidget* reiter;
        ~Freigabe() { reiter->setUpdatesEnabled(true); }
    } freigabe{reiter};
    std::unique_ptr<TTabForm> seite = fabrik_(index, reiter);
    seite->setObjectName(seite->objectName().isEmpty() ? QStringLiteral("Seite%1").arg(index)
                                                       : seite->objectName());
    seite->resize(reiter->size());
    QWidget* fokus = ErstesFokusZiel(*seite);
    if (TThemeManager* themen = TThemeManager::MainManager()) {
        themen->CollectControls(seite.get());
    }
    reiter->layout()->addWidget(seite.get());
    seite->show();
    seiten_[at] = seite.release();
    if (fokus && fokus->isVisibleTo(this) && fokus->focusPolicy() != Qt::NoFocus) {
        fokus->setFocus();
    }
}

} // namespace quarn
