// The send-file wizard: opening, the channel and queue it follows, stepping through the pages, keys
// and closing.
#include "ui/DateiSendenDlgU.h"

#include "connections/send/DateiSendenVorlagenU.h"
#include "foundation/ConfigU.h"
#include "foundation/DebOutU.h"
#include "foundation/DlgMessageU.h"
#include "foundation/InterfacesU.h"
#include "foundation/OrdnerU.h"
#include "foundation/SynchronizeU.h"
#include "platform/Codepage.h"
#include "platform/Exception.h"
#include "platform/Registry.h"
#include "stations/PGPU.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFileDialog>
#include <QKeyEvent>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>

namespace quarn {
namespace {

constexpr const char* kClass = "TDateiSendenDlg";
constexpr const char* kUnit = "DateiSendenDlgU";

// Hands a publisher's notification to the GUI thread, where the wizard (if it still exists) refreshes.
class TAufGuiSubscriber final : public ISubscriber {
public:
    TAufGuiSubscriber(TDateiSendenDlg* dlg, void (TDateiSendenDlg::*refresh)())
        : dlg_(dlg), refresh_(refresh) {}

    void Notify(void* /*data*/) override {
        Synchronize([this] {
            if (dlg_) {
                (dlg_.data()->*refresh_)();
            }
        });
    }

private:
    QPointer<TDateiSendenDlg> dlg_;
    void (TDateiSendenDlg::*refresh_)();
};

std::vector<std::filesystem::path> DateienAusDialog(QWidget* owner) {
    QFileDialog dialog(owner, TDateiSendenDlg::Tr("Datei(en) hinzufügen..."),
                       QString::fromStdString(TOrdner().GetEmpfang().string()),
                       TDateiSendenDlg::Tr("Alle Dateien (*)"));
    dialog.setFileMode(QFileDialog::ExistingFiles);
    std::vector<std::filesystem::path> namen;
    if (dialog.exec() == QDialog::Accepted) {
        for (const QString& name : dialog.selectedFiles()) {
            namen.emplace_back(name.toStdString());
        }
    }
    return namen;
}

} // namespace

TDateiSendenUmgebung TDateiSendenUmgebung::Programm() {
    TDateiSendenUmgebung u;
    u.store = &RegistryStore::Instance();
    u.config = Config();
    u.weitergabe = PraeprozessorAusfuehren;
    u.pgp = [] { return std::make_unique<TPGP>(); };
    u.fragen = [](QWidget* owner, const QString& caption, const QString& text, std::uint32_t buttons) {
        return TDlgMessage::Run(caption, text, buttons, owner);
    };
    u.dateienWaehlen = DateienAusDialog;
    return u;
}

TDateiSendenDlg::TDateiSendenDlg(TDateiSendenUmgebung umgebung, QWidget* owner)
    : TFormKio(owner, Qt::Window | Qt::WindowStaysOnTopHint), umgebung_(std::move(umgebung)) {
    QUARN_ASSERT(umgebung_.store != nullptr, kUnit);
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    setWindowTitle(Tr("Quarn - Senden"));
    queueSubscriber_ = std::make_shared<TAufGuiSubscriber>(this, &TDateiSendenDlg::QueueAktualisieren);
    kanalSubscriber_ = std::make_shared<TAufGuiSubscriber>(this, &TDateiSendenDlg::KanalAktualisieren);
    Aufbauen();
    PgpErzeugen();
    radioDateien_->setChecked(true);
    QuelleGewaehlt();
    SeiteZeigen(SeiteStart);
    qApp->installEventFilter(this);
    Loaded();
}

TDateiSendenDlg::~TDateiSendenDlg() {
    DebOutObj(kClass, "FormDestroy", "begin...");
    Abmelden();
    DebOutObj(kClass, "FormDestroy", "end.");
}

int TDateiSendenDlg::Fragen(const QString& caption, const QString& text, std::uint32_t buttons) {
    return umgebung_.fragen ? umgebung_.fragen(this, caption, text, buttons) : mrNone;
}

// ---- opening ---------------------------------------------------------------------------------------

void TDateiSendenDlg::ExecuteText(const std::shared_ptr<IKanal>& kanal, std::string_view text) {
    modus_ = 1;
    vorgabe_ = 1;
    radioText_->setChecked(true);
    QuelleGewaehlt();
    radioDateien_->setEnabled(false);
    radioText_->setEnabled(false);
    textMemo_->setPlainText(MemoText(text));
    HatInhaltAktualisieren();
    SeiteZeigen(SeiteText);
    Execute(kanal);
}

void TDateiSendenDlg::ExecuteFiles(const std::shared_ptr<IKanal>& kanal,
                                   const std::vector<std::filesystem::path>& namen) {
    modus_ = 2;
    radioDateien_->setChecked(true);
    QuelleGewaehlt();
    radioDateien_->setEnabled(false);
    radioText_->setEnabled(false);
    seiteAktiv_[SeiteDateien] = false;
    seiteAktiv_[SeiteText] = false;
    dateiListe_->clear();
    DateienHinzufuegen(DateienSammeln(namen));
    EintraegeNeu();
    radioAutobin_->setChecked(true);
    ProtokollGewaehlt();
    Execute(kanal);
}

void TDateiSendenDlg::Execute(const std::shared_ptr<IKanal>& kanal) {
    DebOutObj(kClass, "Execute", "begin...");
    QUARN_ASSERT(kanal != nullptr, kUnit);
    kanal_ = kanal;
    const std::shared_ptr<IVerbindung> verbindung = kanal_->GetVerbindung();
    if (vorgabe_ == 0 && verbindung && verbindung->GetBinMode() != 0) {
        vorgabe_ = verbindung->GetBinMode();
    }
    (vorgabe_ == 1 ? radioTextProtokoll_ : vorgabe_ == 5 ? radioDidadit_ : radioAutobin_)->setChecked(true);
    ProtokollGewaehlt();
    if (const auto publisher = std::dynamic_pointer_cast<IPublisher>(kanal_)) {
        publisher->Subscribe(kanalSubscriber_);
        kanalAbonniert_ = true;
    }
    KanalAktualisieren();
    KnoepfeAktualisieren();
    show();
    raise();
    activateWindow();
    DebOutObj(kClass, "Execute", "end.");
}

// ---- the channel and its queue ---------------------------------------------------------------------

void TDateiSendenDlg::QueueAbonnieren() {
    const std::shared_ptr<IVerbindung> verbindung = kanal_ ? kanal_->GetVerbindung() : nullptr;
    const std::shared_ptr<IDateiSendenQueue> queue = verbindung ? verbindung->GetDateiSendenQueue() : nullptr;
    const std::shared_ptr<IDateiSendenQueue> bisher = abonniert_.lock();
    if (queue == bisher) {
        return;
    }
    // A link that came up after the wizard opened has a queue of its own.
    if (bisher) {
        bisher->Unsubscribe(queueSubscriber_);
    }
    abonniert_ = queue;
    if (queue) {
        queue->Subscribe(queueSubscriber_);
    }
}

void TDateiSendenDlg::KanalAktualisieren() {
    if (!kanal_) {
        return;
    }
    QueueAbonnieren();
    const std::shared_ptr<IVerbindung> verbindung = kanal_->GetVerbindung();
    const QString gegenstation = verbindung ? Cp1252ToQString(verbindung->Get_Call()) : Tr("nicht verbunden");
    setWindowTitle(Tr("Senden - %1").arg(gegenstation));
    FertigAktualisieren();
    QueueAktualisieren();
}

void TDateiSendenDlg::QueueAktualisieren() {
    const std::shared_ptr<IVerbindung> verbindung = kanal_ ? kanal_->GetVerbindung() : nullptr;
    const std::shared_ptr<IDateiSendenQueue> queue = verbindung ? verbindung->GetDateiSendenQueue() : nullptr;
    if (!queue) {
        warteschlange_->setCurrentIndex(2);
        return;
    }
    warteschlangenListe_->clear();
    queue->Lock();
    try {
        for (int i = 0; i < queue->GetCount(); ++i) {
            warteschlangenListe_->addItem(Cp1252ToQString(queue->GetItems(i)->GetAnzeigename()));
        }
    } catch (...) {
        queue->UnLock();
        throw;
    }
    queue->UnLock();
    warteschlange_->setCurrentIndex(warteschlangenListe_->count() > 0 ? 0 : 1);
}

void TDateiSendenDlg::FertigAktualisieren() {
    const bool bereit = hatInhalt_ && kanal_ && kanal_->IsVerbunden();
    fertig_->setEnabled(bereit);
    fertig_->setDefault(bereit);
    weiter_->setDefault(!bereit);
}

void TDateiSendenDlg::Abmelden() {
    if (const std::shared_ptr<IDateiSendenQueue> queue = abonniert_.lock()) {
        queue->Unsubscribe(queueSubscriber_);
    }
    abonniert_.reset();
    if (kanal_ && kanalAbonniert_) {
        if (const auto publisher = std::dynamic_pointer_cast<IPublisher>(kanal_)) {
            publisher->Unsubscribe(kanalSubscriber_);
        }
    }
    kanalAbonniert_ = false;
    if (const std::shared_ptr<IKanal> kanal = std::move(kanal_)) {
        kanal->SendenDialogGeschlossen();
    }
}

// ---- pages -----------------------------------------------------------------------------------------

TDateiSendenDlg::Seite TDateiSendenDlg::AktuelleSeite() const {
    return static_cast<Seite>(seiten_->currentIndex());
}

void TDateiSendenDlg::SeiteZeigen(Seite seite) {
    seiten_->setCurrentIndex(seite);
    KnoepfeAktualisieren();
    // What the operator types next belongs in the text, not to the button that led here.
    if (seite == SeiteText && isVisible()) {
        textMemo_->setFocus(Qt::OtherFocusReason);
    }
}

void TDateiSendenDlg::KnoepfeAktualisieren() {
    const int jetzt = seiten_->currentIndex();
    bool davor = false;
    bool danach = false;
    for (int i = 0; i < kSeiten; ++i) {
        davor = davor || (i < jetzt && seiteAktiv_.at(i));
        danach = danach || (i > jetzt && seiteAktiv_.at(i));
    }
    zurueck_->setEnabled(davor);
    weiter_->setEnabled(danach);
    FertigAktualisieren();
}

void TDateiSendenDlg::Weiter() {
    const Seite jetzt = AktuelleSeite();
    int ziel = jetzt + 1;
    while (ziel < kSeiten && !seiteAktiv_.at(ziel)) {
        ++ziel;
    }
    if (ziel >= kSeiten) {
        return;
    }
    if (jetzt == SeiteDateien) {
        EintraegeNeu();
    }
    if (ziel == SeiteTeile) {
        TeileListeAufbauen();
    }
    SeiteZeigen(static_cast<Seite>(ziel));
}

void TDateiSendenDlg::Zurueck() {
    const Seite jetzt = AktuelleSeite();
    int ziel = jetzt - 1;
    while (ziel >= 0 && !seiteAktiv_.at(ziel)) {
        --ziel;
    }
    if (ziel < 0) {
        return;
    }
    if (jetzt == SeiteDateien) {
        EintraegeNeu();
    }
    SeiteZeigen(static_cast<Seite>(ziel));
}

// ---- keys and closing ------------------------------------------------------------------------------

bool TDateiSendenDlg::eventFilter(QObject* watched, QEvent* event) {
    const bool taste = event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease;
    if (!taste || !watched->isWidgetType() ||
        (watched != this && !isAncestorOf(static_cast<QWidget*>(watched)))) {
        return TFormKio::eventFilter(watched, event);
    }
    // Each key reaches the filter once, for the widget that has the focus.
    if (watched != QApplication::focusWidget() && watched != this) {
        return false;
    }
    const auto* key = static_cast<QKeyEvent*>(event);
    const Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
    if (key->key() >= Qt::Key_F1 && key->key() <= Qt::Key_F12 && mods == Qt::NoModifier) {
        if (event->type() == QEvent::KeyPress && umgebung_.kanalTaste) {
            umgebung_.kanalTaste(key->key());
        }
        return true;
    }
    // Alt combinations go no further than the wizard's own mnemonics; Alt+F4 closes.
    if ((mods & Qt::AltModifier) != 0 && key->key() != Qt::Key_F4) {
        return true;
    }
    return false;
}

void TDateiSendenDlg::reject() {
    close();
}

void TDateiSendenDlg::closeEvent(QCloseEvent* event) {
    if (radioText_->isChecked() && nichtFertig_ && !textMemo_->toPlainText().isEmpty() &&
        Fragen(Tr("Quarn"), Tr("Texteingabe wirklich abbrechen?"), mbYes | mbNo | mbDefaultNo) != mrYes) {
        event->ignore();
        return;
    }
    Abmelden();
    event->accept();
}

} // namespace quarn
