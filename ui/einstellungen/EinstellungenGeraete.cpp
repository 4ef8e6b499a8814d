#include "ui/einstellungen/EinstellungenGeraete.h"

#include "devices/GeraetU.h"
#include "devices/GeraeteStatusU.h"
#include "devices/GeraeteU.h"
#include "foundation/DebOutU.h"
#include "foundation/DlgMessageU.h"
#include "foundation/PublisherU.h"
#include "foundation/SynchronizeU.h"
#include "platform/Codepage.h"
#include "ui/einstellungen/GeraetHinzufuegenForm.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPushButton>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace quarn {

namespace {

constexpr const char* kClass = "TEinstellungenGeraete";

} // namespace

class TEinstellungenGeraeteSubscriber final : public ISubscriber {
public:
    explicit TEinstellungenGeraeteSubscriber(TEinstellungenGeraete* page) : page_(page) {}
    void Notify(void* data) override {
        Synchronize([this, data] {
            if (page_) {
                page_->Aktualisieren(data);
            }
        });
    }
    void Release() { page_ = nullptr; }

private:
    TEinstellungenGeraete* page_;
};

TEinstellungenGeraete::TEinstellungenGeraete(QWidget* parent)
    : TTabForm(parent), geraete_(TGeraete::Instance()) {
    setObjectName(QStringLiteral("EinstellungenGeraete"));
    auto* gruppe = new QGroupBox(Tr("Gerätetreiber"), this);
    liste_ = new QTreeWidget(gruppe);
    liste_->setObjectName(QStringLiteral("GeraeteListe"));
    liste_->setRootIsDecorated(false);
    liste_->setHeaderLabels({Tr("Gerät"), Tr("Parameter"), Tr("Status")});
    liste_->header()->resizeSection(0, 90);
    liste_->header()->resizeSection(1, 110);
    liste_->installEventFilter(this);

    eigenschaften_ = new QPushButton(Tr("&Eigenschaften"), gruppe);
    hinzufuegen_ = new QPushButton(Tr("&Hinzufügen"), gruppe);
    entfernen_ = new QPushButton(Tr("Ent&fernen"), gruppe);
    hoch_ = new QToolButton(gruppe);
    hoch_->setObjectName(QStringLiteral("Hoch"));
    hoch_->setArrowType(Qt::UpArrow);
    runter_ = new QToolButton(gruppe);
    runter_->setObjectName(QStringLiteral("Runter"));
    runter_->setArrowType(Qt::DownArrow);

    auto* pfeile = new QHBoxLayout;
    pfeile->addWidget(hoch_);
    pfeile->addWidget(runter_);
    pfeile->addStretch(1);
    auto* knoepfe = new QVBoxLayout;
    knoepfe->addWidget(eigenschaften_);
    knoepfe->addWidget(hinzufuegen_);
    knoepfe->addWidget(entfernen_);
    knoepfe->addLayout(pfeile);
    knoepfe->addStretch(1);
    auto* gruppenLayout = new QHBoxLayout(gruppe);
    gruppenLayout->addWidget(liste_, 1);
    gruppenLayout->addLayout(knoepfe);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(gruppe);

    if (geraete_) {
        for (const std::shared_ptr<TGeraet>& geraet : geraete_->Geraete()) {
            if (geraet) {
                ZeileEinfuegen(static_cast<int>(zeilen_.size()), geraet);
            }
        }
        subscriber_ = std::make_shared<TEinstellungenGeraeteSubscriber>(this);
        geraete_->Subscribe(subscriber_);
    }
    KnoepfePruefen();

    connect(eigenschaften_, &QPushButton::clicked, this, &TEinstellungenGeraete::Eigenschaften);
    connect(liste_, &QTreeWidget::itemDoubleClicked, this, &TEinstellungenGeraete::Eigenschaften);
    connect(hinzufuegen_, &QPushButton::clicked, this, &TEinstellungenGeraete::Hinzufuegen);
    connect(entfernen_, &QPushButton::clicked, this, &TEinstellungenGeraete::Entfernen);
    connect(hoch_, &QToolButton::clicked, this, [this] { Verschieben(-1); });
    connect(runter_, &QToolButton::clicked, this, [this] { Verschieben(1); });
    connect(liste_, &QTreeWidget::currentItemChanged, this, &TEinstellungenGeraete::KnoepfePruefen);
}

TEinstellungenGeraete::~TEinstellungenGeraete() {
    if (subscriber_) {
        subscriber_->Release();
        if (TGeraete* geraete = TGeraete::Instance(); geraete == geraete_) {
            geraete_->Unsubscribe(subscriber_);
        }
    }
    // Edits made in a device's own dialog and never applied must not wait for a later Apply.
    for (const auto* liste : {&zeilen_, &entfernt_}) {
        for (const std::shared_ptr<TGeraet>& geraet : *liste) {
            try {
                geraet->EinstellungenSchliessen();
            } catch (const std::exception& error) {
                DebOutObj(kClass, "Destroy", std::string("EinstellungenSchliessen: ") + error.what());
            }
        }
    }
}

void TEinstellungenGeraete::showEvent(QShowEvent* event) {
    TTabForm::showEvent(event);
    if (!gezeigt_) {
        gezeigt_ = true;
        if (!zeilen_.empty()) {
            ZeileWaehlen(0);
        }
        liste_->setFocus();
    }
}

bool TEinstellungenGeraete::eventFilter(QObject* watched, QEvent* event) {
    if (watched == liste_ && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->modifiers() == Qt::ControlModifier &&
            (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down)) {
            Verschieben(key->key() == Qt::Key_Up ? -1 : 1);
            return true;
        }
    }
    return TTabForm::eventFilter(watched, event);
}

void TEinstellungenGeraete::ZeileEinfuegen(int zeile, const std::shared_ptr<TGeraet>& geraet) {
    zeilen_.insert(zeilen_.begin() + zeile, geraet);
    auto* item = new QTreeWidgetItem;
    item->setText(0, Cp1252ToQString(geraet->TypName()));
    GeraetSpaltenFuellen(*item, *geraet);
    liste_->insertTopLevelItem(zeile, item);
}

void TEinstellungenGeraete::ZeileWaehlen(int zeile) {
    if (zeile >= 0 && zeile < liste_->topLevelItemCount()) {
        liste_->setCurrentItem(liste_->topLevelItem(zeile));
    }
    KnoepfePruefen();
}

int TEinstellungenGeraete::GewaehlteZeile() const {
    return liste_->indexOfTopLevelItem(liste_->currentItem());
}

void TEinstellungenGeraete::KnoepfePruefen() {
    const int zeile = GewaehlteZeile();
    const int anzahl = static_cast<int>(zeilen_.size());
    eigenschaften_->setEnabled(zeile >= 0);
    entfernen_->setEnabled(zeile >= 0);
    hoch_->setEnabled(zeile > 0);
    runter_->setEnabled(zeile >= 0 && zeile < anzahl - 1);
    // The set holds 32 devices.
    hinzufuegen_->setEnabled(geraete_ != nullptr && anzahl < TGeraete::kMaxGeraete);
}

void TEinstellungenGeraete::Aktualisieren(const void* device) {
    for (std::size_t i = 0; i < zeilen_.size(); ++i) {
        if (!device || zeilen_[i].get() == device) {
            QTreeWidgetItem* item = liste_->topLevelItem(static_cast<int>(i));
            GeraetSpaltenFuellen(*item, *zeilen_[i]);
        }
    }
    liste_->viewport()->update();
}

void TEinstellungenGeraete::Eigenschaften() {
    const int zeile = GewaehlteZeile();
    if (zeile < 0) {
        return;
    }
    QWidget* hauptfenster = window()->parentWidget() ? window()->parentWidget() : window();
    const std::shared_ptr<TGeraet> geraet = zeilen_[static_cast<std::size_t>(zeile)];
    geraet->EinstellungenSeite(hauptfenster);
    Aktualisieren(geraet.get());
}

void TEinstellungenGeraete::Hinzufuegen() {
    if (!geraete_ || static_cast<int>(zeilen_.size()) >= TGeraete::kMaxGeraete) {
        return;
    }
    TEinstellungenGeraetHinzufuegenForm form(this);
    const std::optional<TGeraetKlasse> kind = form.Run();
    if (!kind) {
        return;
    }
    std::shared_ptr<TGeraet> geraet = TGeraete::GeraetErzeugen(*kind);
    if (!geraet) {
        return;
    }
    hinzugefuegt_.push_back(geraet);
    const int zeile = static_cast<int>(zeilen_.size());
    ZeileEinfuegen(zeile, geraet);
    ZeileWaehlen(zeile);
}

void TEinstellungenGeraete::Entfernen() {
    const int zeile = GewaehlteZeile();
    if (zeile < 0) {
        return;
    }
    if (TDlgMessage::Run(Tr("Entfernen"), Tr("Gerät wirklich entfernen?"), mbYes | mbNo, this) != mrYes) {
        return;
    }
    const std::shared_ptr<TGeraet> geraet = zeilen_[static_cast<std::size_t>(zeile)];
    const auto neu = std::find(hinzugefuegt_.begin(), hinzugefuegt_.end(), geraet);
    if (neu != hinzugefuegt_.end()) {
        // Never applied: it goes with its row.
        geraet->EinstellungenSchliessen();
        hinzugefuegt_.erase(neu);
    } else {
        entfernt_.push_back(geraet);
    }
    zeilen_.erase(zeilen_.begin() + zeile);
    delete liste_->takeTopLevelItem(zeile);
    ZeileWaehlen(std::min(zeile, static_cast<int>(zeilen_.size()) - 1));
}

void TEinstellungenGeraete::Verschieben(int richtung) {
    const int zeile = GewaehlteZeile();
    const int ziel = zeile + richtung;
    if (zeile < 0 || ziel < 0 || ziel >= static_cast<int>(zeilen_.size())) {
        return;
    }
    std::swap(zeilen_[static_cast<std::size_t>(zeile)], zeilen_[static_cast<std::size_t>(ziel)]);
    QTreeWidgetItem* item = liste_->takeTopLevelItem(zeile);
    liste_->insertTopLevelItem(ziel, item);
    ZeileWaehlen(ziel);
}

void TEinstellungenGeraete::Apply() {
    if (!geraete_) {
        return;
    }
    DebOutObj(kClass, "Uebernehmen", "Gelöschte Geraete deinitialisieren...");
    // Each removed device is stopped once: the list is empty for the next Apply.
    std::vector<std::shared_ptr<TGeraet>> entfernt = std::move(entfernt_);
    entfernt_.clear();
    for (const std::shared_ptr<TGeraet>& geraet : entfernt) {
        geraet->DeInit();
    }
    entfernt.clear();
    hinzugefuegt_.clear();
    DebOutObj(kClass, "Uebernehmen", "Einstellungen uebernehmen...");
    for (const std::shared_ptr<TGeraet>& geraet : zeilen_) {
        geraet->EinstellungenUebernehmen();
    }
    geraete_->Geraete() = zeilen_;
    geraete_->Aktualisieren();
    DebOutObj(kClass, "Uebernehmen", "Einstellungen speichern...");
    geraete_->Save();
    DebOutObj(kClass, "Uebernehmen", "ok.");
}

} // namespace quarn
