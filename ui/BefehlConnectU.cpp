#include "ui/BefehlConnectU.h"

#include "controls/ComboBoxKio.h"

#include "devices/GeraeteU.h"
#include "devices/channel/KanaeleU.h"
#include "foundation/CommaText.h"
#include "foundation/ConfigU.h"
#include "foundation/DebOutU.h"
#include "foundation/DlgMessageU.h"
#include "foundation/InterfacesU.h"
#include "platform/Codepage.h"
#include "platform/Exception.h"
#include "platform/Registry.h"
#include "stations/MyCallsU.h"

#include <QApplication>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace quarn {

namespace {

constexpr int kMaxPorts = 256;
constexpr int kPortNameRolle = Qt::UserRole;

QString Cp(std::string_view text) {
    return Cp1252ToQString(text);
}

std::string Bytes(const QString& text) {
    return QStringToCp1252(text);
}

TComboBoxKio* NeueCombo(QWidget* parent, int zeilen) {
    auto* box = new TComboBoxKio(parent);
    box->setMaxVisibleItems(zeilen);
    box->SetUpperCase(true);
    return box;
}

} // namespace

QString VerbindenFehlertext(int code) {
    static const char* const kTexte[] = {
        "",
        QT_TRANSLATE_NOOP("TDlgBefehlConnect", "Unbekannter Fehler."),
        QT_TRANSLATE_NOOP("TDlgBefehlConnect", "Das Gerät antwortet nicht."),
        QT_TRANSLATE_NOOP("TDlgBefehlConnect", "Kein Gerät vorhanden."),
        QT_TRANSLATE_NOOP("TDlgBefehlConnect", "Der Kanal ist bereits verbunden."),
        QT_TRANSLATE_NOOP("TDlgBefehlConnect", "Keine freie SSID verfügbar."),
        QT_TRANSLATE_NOOP("TDlgBefehlConnect", "Gerätefehler."),
        QT_TRANSLATE_NOOP("TDlgBefehlConnect", "Alle Kanäle sind belegt."),
        QT_TRANSLATE_NOOP("TDlgBefehlConnect", "Gewählte Betriebsarten sind nicht gleichzeitig möglich."),
    };
    const int niedrig = code & 0x7F;
    if (niedrig >= 1 && niedrig <= 8)
        return TDlgBefehlConnect::Tr(kTexte[niedrig]);
    return TDlgBefehlConnect::Tr("Unbehandelter Fehler.");
}

QString PfadFehlertext(const TPfadPruefung& pruefung) {
    const QString teil = Cp(pruefung.teil);
    switch (pruefung.fehler) {
    case TPfadFehler::Keiner:
        return {};
    case TPfadFehler::KeinZiel:
        return TDlgBefehlConnect::Tr("Keine Station angegeben.");
    case TPfadFehler::ZuLang:
        return TDlgBefehlConnect::Tr("Das Rufzeichen %1 ist länger als sechs Zeichen.").arg(teil);
    case TPfadFehler::UngueltigesZeichen:
        return TDlgBefehlConnect::Tr("Das Rufzeichen %1 darf nur Buchstaben und Ziffern enthalten.")
            .arg(teil);
    case TPfadFehler::SsidUngueltig:
        return TDlgBefehlConnect::Tr("Die SSID muss zwischen 0 und 15 liegen.");
    case TPfadFehler::ZuVieleDigipeater:
        return TDlgBefehlConnect::Tr("Es sind höchstens acht Digipeater möglich.");
    }
    return {};
}

TBefehlConnectUmgebung TBefehlConnectUmgebung::Programm() {
    TBefehlConnectUmgebung u;
    const auto calls = MyCalls();
    QUARN_ASSERT(calls != nullptr, "BefehlConnectU");
    {
        TMyCallsLocker lock(*calls);
        for (int i = 0; i < calls->GetCount(); ++i)
            u.eigeneRufzeichen.push_back(calls->GetItem(i)->GetCall());
    }
    if (TKanaele* kanaele = TKanaele::Instance())
        u.kanal = kanaele->GetAktuell();
    if (TGeraete* geraete = TGeraete::Instance())
        geraete->GetFunkKanaele(u.ports);
    u.store = &RegistryStore::Instance();
    u.kanalAktuell = [](int nummer) {
        if (TKanaele* kanaele = TKanaele::Instance())
            kanaele->SetAktuellNr(nummer);
    };
    u.uiZielSpeichern = [](const std::string& ziel, const std::string& call, const std::string& port) {
        TConfig* config = Config();
        QUARN_ASSERT(config != nullptr, "BefehlConnectU");
        config->SetDestination(ziel);
        config->SetMyCall(call);
        config->SetPort(port);
    };
    u.melden = [](QWidget* owner, const QString& text) {
        TDlgMessage::Run(TDlgBefehlConnect::Tr("Verbinden"), text, mbOK, owner);
    };
    u.piepen = [] { QApplication::beep(); };
    return u;
}

TDlgBefehlConnect::TDlgBefehlConnect(TBefehlConnectUmgebung umgebung, QWidget* owner)
    : TFormKio(owner), umgebung_(std::move(umgebung)) {
    QUARN_ASSERT(umgebung_.kanal != nullptr, "BefehlConnectU");
    QUARN_ASSERT(umgebung_.store != nullptr, "BefehlConnectU");
    if (umgebung_.ports.size() > kMaxPorts)
        umgebung_.ports.resize(kMaxPorts);
    uiModus_ = umgebung_.kanal->GetNummer() == 0;
    // An incoming connect may have reserved the channel already; closing gives that back unchanged.
    reserviertVorher_ = umgebung_.kanal->GetReserviert();
    umgebung_.kanal->SetReserviert(true);

    Aufbauen();
    VerlaufLesen();
    PortsZeigen();
    OkAktualisieren();
    // The last destination is offered selected, so that a call typed at once replaces it.
    callCombo_->lineEdit()->selectAll();
    Loaded();
}

TDlgBefehlConnect::~TDlgBefehlConnect() {
    VerlaufSchreiben();
    umgebung_.kanal->SetReserviert(reserviertVorher_);
}

int TDlgBefehlConnect::Ausfuehren(QWidget* owner) {
    TDlgBefehlConnect dialog(TBefehlConnectUmgebung::Programm(), owner);
    return dialog.exec();
}

void TDlgBefehlConnect::Aufbauen() {
    setWindowTitle(uiModus_ ? Tr("UI-Ziel einstellen") : Tr("Verbinden"));

    callCombo_ = NeueCombo(this, 10);
    callCombo_->setObjectName("CallCombo");
    myCallCombo_ = NeueCombo(this, 10);
    myCallCombo_->setObjectName("MyCallCombo");
    portListe_ = new QTreeWidget(this);
    portListe_->setObjectName("PortListe");
    portListe_->setColumnCount(1);
    portListe_->setHeaderHidden(true);
    portListe_->setRootIsDecorated(false);
    portListe_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    portListe_->setSelectionMode(QAbstractItemView::SingleSelection);
    portListe_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    image_ = new QLabel(this);
    image_->setObjectName("Image");

    labelStation_ = new QLabel(uiModus_ ? Tr("UI-Ziel") : Tr("Station"), this);
    labelStation_->setObjectName("LabelStation");
    labelStation_->setBuddy(callCombo_);
    auto* labelMyCall = new QLabel(Tr("Eigenes Rufzeichen"), this);
    labelMyCall->setBuddy(myCallCombo_);
    auto* labelPorts = new QLabel(Tr("Kanäle"), this);
    labelPorts->setBuddy(portListe_);

    buttonOk_ = new QPushButton(Tr("OK"), this);
    buttonOk_->setObjectName("ButtonOk");
    buttonOk_->setDefault(true);
    buttonCancel_ = new QPushButton(Tr("Abbrechen"), this);
    buttonCancel_->setObjectName("ButtonCancel");

    auto* links = new QVBoxLayout;
    links->addWidget(labelStation_);
    links->addWidget(callCombo_);
    links->addWidget(labelMyCall);
    links->addWidget(myCallCombo_);
    links->addWidget(image_);
    links->addStretch();
    auto* rechts = new QVBoxLayout;
    rechts->addWidget(labelPorts);
    rechts->addWidget(portListe_);
    auto* felder = new QHBoxLayout;
    felder->addLayout(links);
    felder->addLayout(rechts);
    auto* knoepfe = new QHBoxLayout;
    knoepfe->addStretch();
    knoepfe->addWidget(buttonOk_);
    knoepfe->addWidget(buttonCancel_);
    auto* haupt = new QVBoxLayout(this);
    haupt->addLayout(felder);
    haupt->addLayout(knoepfe);

    connect(callCombo_, &QComboBox::editTextChanged, this, [this](const QString& text) {
        ZielGewaehlt(text);
        OkAktualisieren();
    });
    connect(myCallCombo_, &QComboBox::editTextChanged, this, [this] { OkAktualisieren(); });
    // A destination deleted from the open list leaves the history with it.
    connect(callCombo_->model(), &QAbstractItemModel::rowsAboutToBeRemoved, this,
            [this](const QModelIndex&, int first, int last) {
                for (int row = first; row <= last; ++row) {
                    const std::string weg = Bytes(callCombo_->itemText(row));
                    std::erase_if(ziele_, [&](const TZielEintrag& eintrag) { return eintrag.ziel == weg; });
                }
            });
    connect(buttonOk_, &QPushButton::clicked, this, [this] { OkGeklickt(); });
    connect(buttonCancel_, &QPushButton::clicked, this, &QDialog::reject);

    // The dialog sees the function keys before any of its controls (a combo box would open on F4).
    for (QWidget* w : {static_cast<QWidget*>(callCombo_), static_cast<QWidget*>(callCombo_->lineEdit()),
                       static_cast<QWidget*>(myCallCombo_), static_cast<QWidget*>(myCallCombo_->lineEdit()),
                       static_cast<QWidget*>(portListe_), static_cast<QWidget*>(buttonOk_),
                       static_cast<QWidget*>(buttonCancel_)})
        w->installEventFilter(this);
    installEventFilter(this);
}

void TDlgBefehlConnect::VerlaufLesen() {
    const RegistryStore& store = *umgebung_.store;
    const auto eigene = store.ReadString(Hive::CurrentUser, kVerlaufKey, kVerlaufEigenesRufzeichen);
    const auto liste =
        EigeneRufzeichenListe(ParseCommaText(eigene.value_or(std::string{})), umgebung_.eigeneRufzeichen);
    for (const auto& call : liste)
        myCallCombo_->addItem(Cp(call));
    if (!liste.empty())
        myCallCombo_->setCurrentIndex(0);

    const auto ziele =
        store.ReadString(Hive::CurrentUser, kVerlaufKey, uiModus_ ? kVerlaufUiZiel : kVerlaufStation);
    ziele_ = ZieleLesen(ziele.value_or(std::string{}));
    const QSignalBlocker still(callCombo_);
    for (const auto& ziel : ziele_)
        callCombo_->addItem(Cp(ziel.ziel));
    if (!ziele_.empty())
        callCombo_->setCurrentIndex(0);
    else
        callCombo_->setEditText({});
}

void TDlgBefehlConnect::PortsZeigen() {
    for (const auto& port : umgebung_.ports) {
        auto* row = new QTreeWidgetItem(portListe_, QStringList{Cp(port->GetBezeichnung())});
        row->setData(0, kPortNameRolle, Cp(port->GetName()));
    }
    if (umgebung_.ports.empty())
        return;
    PortWaehlen(0);
    if (!ziele_.empty())
        if (const int row = PortZeile(ziele_.front().port); row >= 0)
            PortWaehlen(row);
}

int TDlgBefehlConnect::PortZeile(const std::string& name) const {
    for (int i = 0; i < static_cast<int>(umgebung_.ports.size()); ++i)
        if (umgebung_.ports[i]->GetName() == name)
            return i;
    return -1;
}

void TDlgBefehlConnect::PortWaehlen(int row) {
    QTreeWidgetItem* item = portListe_->topLevelItem(row);
    portListe_->setCurrentItem(item);
    item->setSelected(true);
}

void TDlgBefehlConnect::OkAktualisieren() {
    buttonOk_->setEnabled(!umgebung_.ports.empty() && !callCombo_->currentText().isEmpty() &&
                          !myCallCombo_->currentText().isEmpty());
}

void TDlgBefehlConnect::ZielGewaehlt(const QString& text) {
    for (const auto& ziel : ziele_) {
        if (Cp(ziel.ziel).compare(text, Qt::CaseInsensitive) != 0)
            continue;
        if (const int row = PortZeile(ziel.port); row >= 0)
            PortWaehlen(row);
        return;
    }
}

bool TDlgBefehlConnect::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->modifiers() == Qt::NoModifier && key->key() >= Qt::Key_F1 && key->key() <= Qt::Key_F12)
            return FunktionstasteGedrueckt(key->key());
    }
    return TFormKio::eventFilter(watched, event);
}

bool TDlgBefehlConnect::FunktionstasteGedrueckt(int key) {
    const int row = key - Qt::Key_F1;
    if (row < portListe_->topLevelItemCount())
        PortWaehlen(row);
    else if (umgebung_.piepen)
        umgebung_.piepen();
    return true;
}

void TDlgBefehlConnect::OkGeklickt() {
    const std::string eigenes = EigenesRufzeichenAufbereiten(Bytes(myCallCombo_->currentText()));
    const TZielEingabe ziel = ZielAufbereiten(Bytes(callCombo_->currentText()));
    DebOutObj("TDlgBefehlConnect", "ButtonOkClick",
              "MyCall='" + eigenes + "' Call='" + ziel.rufzeichen + "' Digis='" + ziel.digis + "'");
    if (eigenes.empty() || ziel.rufzeichen.empty())
        return;

    for (QWidget* w : {static_cast<QWidget*>(callCombo_), static_cast<QWidget*>(myCallCombo_),
                       static_cast<QWidget*>(portListe_), static_cast<QWidget*>(buttonOk_),
                       static_cast<QWidget*>(buttonCancel_)})
        w->setEnabled(false);
    const bool fertig = Ausfuehren(eigenes, ziel);
    if (fertig) {
        accept();
        return;
    }
    for (QWidget* w : {static_cast<QWidget*>(callCombo_), static_cast<QWidget*>(myCallCombo_),
                       static_cast<QWidget*>(portListe_), static_cast<QWidget*>(buttonCancel_)})
        w->setEnabled(true);
    OkAktualisieren();
}

bool TDlgBefehlConnect::Ausfuehren(const std::string& eigenes, const TZielEingabe& ziel) {
    const auto melden = [this](const QString& text) {
        if (umgebung_.melden)
            umgebung_.melden(this, text);
    };
    if (const QString fehler = PfadFehlertext(PfadPruefen(Bytes(callCombo_->currentText())));
        !fehler.isEmpty()) {
        melden(fehler);
        return false;
    }
    QTreeWidgetItem* item = portListe_->currentItem();
    if (item == nullptr || !item->isSelected()) {
        melden(Tr("Kein Kanal ausgewählt."));
        return false;
    }
    const auto& port = umgebung_.ports[portListe_->indexOfTopLevelItem(item)];
    std::string pfad = ziel.Pfad();

    if (uiModus_) {
        if (umgebung_.uiZielSpeichern)
            umgebung_.uiZielSpeichern(pfad, eigenes, port->GetName());
        umgebung_.kanal->StatusbarAktualisieren(false);
    } else {
        std::string call = eigenes;
        std::shared_ptr<IKanal> kanal = umgebung_.kanal;
        const int code = static_cast<int>(port->VerbindeKurz(pfad, call, kanal)) & 0x7F;
        if (code != 0) {
            melden(VerbindenFehlertext(code));
            return false;
        }
        // From a busy channel the link comes up on another free one: that is the one to show.
        if (umgebung_.kanalAktuell)
            umgebung_.kanalAktuell((kanal ? kanal : umgebung_.kanal)->GetNummer());
    }

    std::vector<std::string> eigene;
    for (int i = 0; i < myCallCombo_->count(); ++i)
        eigene.push_back(Bytes(myCallCombo_->itemText(i)));
    RufzeichenMerken(eigene, eigenes);
    myCallCombo_->clear();
    for (const auto& call : eigene)
        myCallCombo_->addItem(Cp(call));
    ZielMerken(ziele_, TZielEintrag{ziel.Pfad(), port->GetName()});
    return true;
}

void TDlgBefehlConnect::VerlaufSchreiben() const {
    std::vector<std::string> eigene;
    for (int i = 0; i < myCallCombo_->count(); ++i)
        eigene.push_back(Bytes(myCallCombo_->itemText(i)));
    RegistryStore& store = *umgebung_.store;
    store.WriteString(Hive::CurrentUser, kVerlaufKey, kVerlaufEigenesRufzeichen, FormatCommaText(eigene));
    store.WriteString(Hive::CurrentUser, kVerlaufKey, uiModus_ ? kVerlaufUiZiel : kVerlaufStation,
                      ZieleSchreiben(ziele_));
}

} // namespace quarn
