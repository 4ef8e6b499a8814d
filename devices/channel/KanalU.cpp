// The channel: creation, release, connection events, activation and the operator's plain operations.
#include "devices/channel/KanalU.h"

#include "console/ConsoleU.h"
#include "console/RichEditQuarnU.h"
#include "devices/channel/KanalFenster.h"
#include "devices/channel/KanalTexte.h"
#include "foundation/ConfigU.h"
#include "foundation/DebOutU.h"
#include "foundation/DlgMessageU.h"
#include "foundation/FileStreamKioU.h"
#include "foundation/SynchronizeU.h"
#include "platform/Codepage.h"
#include "platform/Exception.h"
#include "platform/FontFile.h"
#include "platform/SystemColor.h"
#include "stations/KlaengeU.h"
#include "stations/StationenDatenbankU.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDateTime>
#include <QKeyEvent>
#include <QTextCursor>
#include <cstdio>

namespace quarn {
namespace {

constexpr const char* kClass = "TKanal";
constexpr const char* kUnit = "KanalU";
const QString kLeereBeschriftung = QStringLiteral("         ");

QString Tr(const char* text) {
    return QCoreApplication::translate("TKanal", text);
}

std::string Hex8(const void* pointer) {
    char buffer[24];
    std::snprintf(buffer, sizeof buffer, "%8.8X",
                  static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(pointer)));
    return buffer;
}

} // namespace

std::filesystem::path KanalPufferDatei(const std::filesystem::path& bufferFolder, int number) {
    char name[32];
    std::snprintf(name, sizeof name, "Buffer%2.2x.qvn", number);
    return bufferFolder / name;
}

std::shared_ptr<TKanal> TKanal::Erzeugen(int number, TUmgebung umgebung) {
    QUARN_ASSERT(IsGuiThread(), kUnit);
    QUARN_ASSERT(umgebung.fenster != nullptr && Config() != nullptr, kUnit);
    // The constructor is private; make_shared cannot reach it.
    std::shared_ptr<TKanal> kanal(new TKanal(number, std::move(umgebung)));
    try {
        kanal->Erstellen();
    } catch (...) {
        kanal->Release();
        throw;
    }
    return kanal;
}

TKanal::TKanal(int number, TUmgebung umgebung)
    : number_(number), umgebung_(std::move(umgebung)), publisher_(std::make_shared<TPublisher>()) {}

TKanal::~TKanal() = default;

void TKanal::Erstellen() {
    char name[24];
    IKanalFenster& fenster = *umgebung_.fenster;

    console_ = std::make_unique<TConsole>();
    std::snprintf(name, sizeof name, "Console%2.2d", number_);
    console_->setObjectName(QString::fromLatin1(name));
    console_->setVisible(false);
    fenster.Einbetten(number_ == 0 ? TKanalPanel::Monitor : TKanalPanel::Ausgabe, console_.get());
    console_->setVisible(number_ == 0);
    console_->SetColor(Qt::white);
    console_->SetCols(80);
    console_->SetGutterImages(fenster.GutterBilder());
    console_->SetLineBreak(TConsoleLineBreak::CR);
    console_->SetRows(Config()->GetConsoleRows());
    console_->SetShowHint(true);
    console_->SetTabStop(number_ >= 1);
    console_->SetVirtualMemory(true);
    console_->SetFileName(KanalPufferDatei(umgebung_.pufferOrdner, number_));
    try {
        console_->SetActive(true);
    } catch (const std::exception& error) {
        DebOutObj(kClass, "Create", std::string("FEHLER: ") + error.what());
        MeldenVorDemEnde(Tr("Fehler"),
                         Tr("Fehler beim Öffnen der Textpuffer. Bitte starten Sie Windows neu."));
        throw EKonsolenpuffer(kClass, "Create", error.what());
    }

    editor_ = std::make_unique<TRichEditQuarn>();
    std::snprintf(name, sizeof name, "Eingabe%2.2d", number_);
    editor_->setObjectName(QString::fromLatin1(name));
    editor_->setVisible(false);
    fenster.Einbetten(TKanalPanel::Eingabe, editor_.get());
    editor_->setVisible(false);
    editor_->setFrameStyle(0);
    editor_->setFont(TerminalFont("08x12"));
    editor_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    editor_->setLineWrapMode(QTextEdit::WidgetWidth);
    editor_->setTabChangesFocus(false);
    editor_->OnSendText = [this](TRichEditQuarn&, const std::string& line) { TextEingegeben(line); };

    std::function<void(int)> pressed = umgebung_.knopfGedrueckt;
    button_ = fenster.KanalKnopfErzeugen(number_, [pressed, number = number_] {
        if (pressed) {
            pressed(number);
        }
    });
    button_->SetCaption(number_ == 0 ? Tr("Monitor") : kLeereBeschriftung);
    button_->SetImage(0);

    FarbenUebernehmen();
    BedienungVerbinden();
}

void TKanal::AufGui(const std::function<void()>& work) {
    Synchronize([this, &work] {
        if (!released_) {
            work();
        }
    });
}

// ---- free, reserved, connected ---------------------------------------------------------------------

bool TKanal::IsFrei() const {
    return !reserved_.load() && IsUnbelegt();
}

bool TKanal::IsUnbelegt() const {
    const std::lock_guard lock(connectionLock_);
    return number_ >= 1 && !connection_;
}

bool TKanal::IsVerbunden() const {
    const std::lock_guard lock(connectionLock_);
    return static_cast<bool>(connection_);
}

std::shared_ptr<IVerbindung> TKanal::GetVerbindung() const {
    const std::lock_guard lock(connectionLock_);
    return connection_;
}

bool TKanal::GetReserviert() const {
    return reserved_.load();
}

void TKanal::SetReserviert(bool reserved) {
    reserved_.store(reserved);
}

std::uint8_t TKanal::GetStatus() const {
    const std::shared_ptr<IVerbindung> connection = GetVerbindung();
    return connection ? connection->GetState() : 0;
}

// ---- release ---------------------------------------------------------------------------------------

void TKanal::Release() {
    Synchronize([this] {
        if (released_) {
            DebOutObj(kClass, "Release", "already released");
            return;
        }
        released_ = true;
        reserved_.store(true); // a released channel is never handed out again
        sendenDialog_.clear();
        {
            const Locker lock(captureLock_);
            capture_.reset();
        }
        std::shared_ptr<IVerbindung> connection;
        {
            const std::lock_guard lock(connectionLock_);
            connection = std::move(connection_);
        }
        if (connection) {
            StatusListener(false, connection);
            connection->SetKanal(nullptr);
        }
        // The mailbox list gives its marked lines their plain image back, so it goes before the console.
        boxListe_.reset();
        editor_.reset();
        button_.reset();
        console_.reset();
        publisher_->Clear();
    });
}

// ---- connection events -----------------------------------------------------------------------------

void TKanal::StatusListener(bool listen, const std::shared_ptr<IVerbindung>& connection) {
    const std::shared_ptr<IStatus> status = connection ? connection->GetStatus() : nullptr;
    if (!status) {
        return;
    }
    if (listen) {
        status->SetListener(shared_from_this());
    } else if (status->GetListener().get() == static_cast<IKanal*>(this)) {
        status->SetListener(nullptr);
    }
}

void TKanal::SetVerbindung(std::shared_ptr<IVerbindung> connection) {
    AufGui([&] {
        {
            const std::lock_guard lock(connectionLock_);
            connection_ = connection;
        }
        if (connection) {
            if (active_) {
                StatusListener(true, connection);
            }
            CallChangeGui();
        } else {
            reserved_.store(false);
        }
        Statuszeile();
        StatusbarAktualisierenGui(true);
        EditAktionen();
    });
}

void TKanal::Verbunden() {
    AufGui([this] {
        const std::shared_ptr<IVerbindung> connection = GetVerbindung();
        std::string text;
        if (connection) {
            text = connection->Get_MyCall() + ": Verbunden mit " + connection->Get_Call();
            const std::string digis = connection->Get_Digis();
            if (!digis.empty()) {
                text += " (via " + digis + ")";
            }
        }
        text += '\r';
        if (Config()->GetTimestamp()) {
            text += ZeitStempel(QDateTime::currentDateTime()) + '\r';
        }
        NeueZeile(text, 5);
        if (!active_) {
            unseen_ = true;
        }
        KnopfBild();
        IKanalFenster& fenster = *umgebung_.fenster;
        if (fenster.IsGestartet() && !fenster.IsSichtbar()) {
            fenster.Aufmerksamkeit();
        }
    });
}

void TKanal::Getrennt(int reason) {
    AufGui([this, reason] {
        const std::shared_ptr<IVerbindung> connection = GetVerbindung();
        std::string myCall;
        std::string call;
        if (connection) {
            myCall = connection->Get_MyCall();
            call = connection->Get_Call();
            const std::string digis = connection->Get_Digis();
            if (!digis.empty()) {
                call += " (via " + digis + ")";
            }
        }
        const char* format = reason == 1   ? "%s: Verbindungsfehler. Getrennt von %s"
                             : reason == 2 ? "%s: Besetzt. Getrennt von %s"
                                           : "%s: Getrennt von %s";
        std::string text = QString::asprintf(format, myCall.c_str(), call.c_str()).toStdString();
        text += '\r';
        if (Config()->GetTimestamp()) {
            text += ZeitStempel(QDateTime::currentDateTime()) + '\r';
        }
        text += '\r';
        NeueZeile(text, 6);
        button_->SetCaption(kLeereBeschriftung);
        button_->SetHint(QStringLiteral("|"));
        StatusListener(false, connection);
        {
            const std::lock_guard lock(connectionLock_);
            connection_.reset();
        }
        transfer_ = {};
        Statuszeile();
        StatusbarAktualisierenGui(true);
        if (!active_) {
            unseen_ = true;
        }
        KnopfBild();
        publisher_->NotifySubscribers(nullptr);
        EditAktionen();
        reserved_.store(false);
    });
}

void TKanal::VerbindungGeaendert() {
    AufGui([this] {
        EditAktionen();
        KnopfBild();
    });
}

void TKanal::CallChange() {
    AufGui([this] { CallChangeGui(); });
}

void TKanal::CallChangeGui() {
    const std::shared_ptr<IVerbindung> connection = GetVerbindung();
    if (!connection) {
        return;
    }
    const std::string call = connection->Get_Call();
    DebOutObj(kClass, "CallChange", "Call " + call + " MyCall " + connection->Get_MyCall());
    button_->SetCaption(Cp1252ToQString(call));
    std::shared_ptr<IStationenDatenbankEintrag> station = connection->GetStationenDatenbankEintrag();
    if (!station && StationenDatenbank() != nullptr) {
        station = StationenDatenbank()->FindEintrag(call, true);
    }
    const QString stationName = station ? Cp1252ToQString(station->GetName()) : Tr("Unbekannt");
    button_->SetHint(Cp1252ToQString(connection->Get_Path()) + '\r' + Tr("Name") + ": " + stationName + '\r' +
                     Tr("Typ") + ": " + StationTypeName(static_cast<int>(connection->GetStationTyp())) + '|');
    publisher_->NotifySubscribers(nullptr);
}

void TKanal::Notify(void* data) {
    if (data == nullptr) {
        return;
    }
    // The item is alive while it notifies: what the status bar needs is read here, on its thread.
    auto* item = static_cast<IDateiSenden*>(data);
    TTransfer told{item, item->GetZustand(), item->GetAnzeigename(), item->GetGroesse(), item->GetProzent()};
    AufGui([this, &told] {
        if (told.state != 0) {
            if (transfer_.id == nullptr || transfer_.id == told.id) {
                transfer_ = told;
            } else {
                // One transfer per channel: a second one is not shown.
                QApplication::beep();
                DebOutObj(kClass, "Notify",
                          "DateiSenden = " + Hex8(transfer_.id) + " " + Hex8(transfer_.id) + " " +
                              transfer_.name);
                DebOutObj(kClass, "Notify",
                          "          D = " + Hex8(told.id) + " " + Hex8(told.id) + " " + told.name);
            }
        } else if (transfer_.id == told.id) {
            transfer_ = {};
        }
        if (active_) {
            Statuszeile();
        }
    });
}

void TKanal::StopAktualisieren() {
    AufGui([this] { StopAktualisierenGui(); });
}

void TKanal::StopAktualisierenGui() {
    if (!active_) {
        return;
    }
    const std::shared_ptr<IVerbindung> connection = GetVerbindung();
    umgebung_.fenster->SetStopBild(connection && connection->GetModulAktiv() ? 9 : 10);
}

void TKanal::StatusAktualisieren() {
    AufGui([this] {
        Statuszeile();
        StatusbarAktualisierenGui(true);
    });
}

void TKanal::KnopfBild() {
    int image = 0;
    if (GetStatus() > 2 || unseen_) {
        image = unseen_ && !active_ ? 2 : 1;
    }
    if (button_->Image() != image) {
        button_->SetImage(image);
    }
}

// ---- activation ------------------------------------------------------------------------------------

void TKanal::SetAktiv(bool active) {
    QUARN_ASSERT(IsGuiThread(), kUnit);
    if (released_) {
        return;
    }
    const std::shared_ptr<IVerbindung> connection = GetVerbindung();
    if (active) {
        if (umgebung_.kontextKanal) {
            umgebung_.kontextKanal(shared_from_this());
        }
        if (connection) {
            StatusListener(true, connection);
            if (const std::shared_ptr<IDateiSenden> item = connection->GetDateiSenden()) {
                item->Subscribe(shared_from_this());
            }
        }
        unseen_ = false;
        if (!active_) {
            active_ = true;
            button_->SetChecked(true);
            Statuszeile();
            console_->setVisible(true);
            console_->SetTabStop(number_ >= 1);
            editor_->setVisible(true);
            StatusbarAktualisierenGui(true);
            StopAktualisierenGui();
        }
        EditAktionen();
        if (!SendenDialogNachVorn()) {
            QWidget* window = editor_->window();
            if (window->isVisible() && !window->isActiveWindow()) {
                window->activateWindow();
            }
            editor_->setFocus();
        }
    } else {
        if (connection) {
            StatusListener(false, connection);
        }
        if (number_ >= 1) {
            console_->setVisible(false);
        } else {
            console_->SetTabStop(false);
            console_->ScrollToBottom();
        }
        editor_->setVisible(false);
        button_->SetChecked(false);
        active_ = false;
        SendenDialogZurueck();
    }
    KnopfBild();
}

void TKanal::EditAktionen() {
    if (!active_) {
        return;
    }
    const QWidget* focus = QApplication::focusWidget();
    const bool onConsole = focus != nullptr && focus == console_.get();
    const bool onEditor = focus != nullptr && focus == editor_.get();
    const std::shared_ptr<IVerbindung> connection = GetVerbindung();
    TKanalAktionen actions;
    actions.cut = actions.paste = actions.del = actions.selectAll = onEditor;
    actions.copy = onEditor || onConsole;
    actions.pactor = connection && connection->GetPactor();
    actions.localEchoEnabled = static_cast<bool>(connection);
    actions.localEchoChecked = connection ? connection->GetLocalEcho() : Config()->GetLocalEcho();
    actions.captureChecked = !GetMitschriebDatei().empty();
    actions.showDosChecked = console_->ShowDOS();
    actions.dosUmlauteChecked = dosUmlaute_;
    umgebung_.fenster->SetAktionen(actions);
}

// ---- look ------------------------------------------------------------------------------------------

void TKanal::SetFont(const QFont& font) {
    if (released_) {
        return;
    }
    console_->setFont(font);
    QFont editorFont(font.family());
    if (font.pixelSize() > 0) {
        editorFont.setPixelSize(font.pixelSize());
    } else {
        editorFont.setPointSizeF(font.pointSizeF());
    }
    editorFont.setFixedPitch(true);
    editorFont.setBold(false);
    editorFont.setItalic(false);
    editorFont.setUnderline(false);
    editor_->setFont(editorFont);
    editor_->document()->setDefaultFont(editorFont);
    QTextCursor all(editor_->document());
    all.select(QTextCursor::Document);
    QTextCharFormat format;
    format.setFont(editorFont);
    all.mergeCharFormat(format);
}

void TKanal::FarbenUebernehmen() {
    if (released_) {
        return;
    }
    TConfig& config = *Config();
    const auto colour = [&](int index) { return ColorValueToQColor(config.GetColor(index)); };
    const auto palette = [&](int index, int configIndex) {
        const QColor wanted = colour(configIndex);
        if (console_->GetPaletteColor(index) != wanted) {
            console_->SetPaletteColor(index, wanted);
        }
    };
    const QColor background = colour(number_ == 0 ? 8 : 0);
    if (console_->Color() != background) {
        console_->SetColor(background);
    }
    if (number_ == 0) {
        palette(kanalfarbe::kEmpfangen, 9);
        palette(kanalfarbe::kGesendet, 10);
        palette(kanalfarbe::kMonitorInfo, 11);
        palette(kanalfarbe::kMonitorMeldung, 12);
    } else {
        palette(kanalfarbe::kHinweis, 1);
        palette(kanalfarbe::kEmpfangen, 2);
        palette(kanalfarbe::kGesendet, 3);
        palette(kanalfarbe::kPrompt3, 4);
    }
    QPalette editorPalette = editor_->palette();
    if (editorPalette.color(QPalette::Base) != colour(5)) {
        editorPalette.setColor(QPalette::Base, colour(5));
        editor_->setPalette(editorPalette);
    }
    if (editor_->ColorNewText() != colour(6)) {
        editor_->SetColorNewText(colour(6));
    }
    if (editor_->ColorSentText() != colour(7)) {
        editor_->SetColorSentText(colour(7));
    }
}

void TKanal::SetZeilen(int rows) {
    if (released_ || rows == console_->Rows()) {
        return;
    }
    try {
        console_->SetRows(rows);
    } catch (const std::exception& error) {
        DebOutObj(kClass, "SetZeilen", std::string("FEHLER: ") + error.what());
    }
}

void TKanal::SetShowDOS(bool show) {
    if (!released_) {
        console_->SetShowDOS(show);
        EditAktionen();
    }
}

bool TKanal::GetShowDOS() const {
    return !released_ && console_->ShowDOS();
}

void TKanal::SetDosUmlaute(bool convert) {
    dosUmlaute_ = convert;
    if (!released_) {
        EditAktionen();
    }
}

bool TKanal::GetDosUmlaute() const {
    return dosUmlaute_;
}

void TKanal::ClearConsole() {
    if (!released_) {
        console_->Clear();
    }
}

std::string TKanal::GetHint() const {
    return released_ ? std::string() : QStringToCp1252(button_->Hint());
}

TConsole* TKanal::GetConsole() const {
    return console_.get();
}

// ---- edit operations -------------------------------------------------------------------------------

void TKanal::EditCut() {
    if (!released_ && editor_->hasFocus()) {
        editor_->cut();
    }
}

void TKanal::EditCopy() {
    if (released_) {
        return;
    }
    if (console_->hasFocus() || (number_ == 0 && !active_)) {
        console_->CopyToClipboard();
    } else if (editor_->hasFocus()) {
        editor_->copy();
    }
}

void TKanal::EditPaste() {
    if (!released_ && editor_->hasFocus()) {
        editor_->paste();
    }
}

void TKanal::EditDelete() {
    if (released_ || !editor_->hasFocus()) {
        return;
    }
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Delete, Qt::NoModifier);
    QCoreApplication::sendEvent(editor_.get(), &press);
    QCoreApplication::sendEvent(editor_.get(), &release);
}

void TKanal::EditSelectAll() {
    if (!released_ && editor_->hasFocus()) {
        editor_->selectAll();
    }
}

void TKanal::PactorChangeOver() {
    if (const std::shared_ptr<IVerbindung> connection = GetVerbindung()) {
        connection->PactorChangeOver();
    }
}

void TKanal::PactorBreakIn() {
    if (const std::shared_ptr<IVerbindung> connection = GetVerbindung()) {
        connection->PactorBreakIn();
    }
}

// ---- publisher -------------------------------------------------------------------------------------

void TKanal::Subscribe(const std::shared_ptr<ISubscriber>& subscriber) {
    publisher_->Subscribe(subscriber);
}

void TKanal::Unsubscribe(const std::shared_ptr<ISubscriber>& subscriber) {
    publisher_->Unsubscribe(subscriber);
}

} // namespace quarn
