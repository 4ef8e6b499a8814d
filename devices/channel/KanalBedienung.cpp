// The channel's operator commands: keys, the mailbox marks, the context menu, save and capture, and
// the hints over the console and the button.
#include "console/ConsoleU.h"
#include "console/RichEditQuarnU.h"
#include "devices/channel/BoxListU.h"
#include "devices/channel/DateiUeberschreibenAnhaengenU.h"
#include "devices/channel/KanalFenster.h"
#include "devices/channel/KanalHinweis.h"
#include "devices/channel/KanalTasten.h"
#include "devices/channel/KanalU.h"
#include "foundation/DebOutU.h"
#include "foundation/DlgMessageU.h"
#include "foundation/FileStreamKioU.h"
#include "foundation/HintWindowU.h"
#include "foundation/OrdnerU.h"
#include "foundation/SynchronizeU.h"
#include "platform/Codepage.h"
#include "platform/Exception.h"
#include "stations/StationenDatenbankU.h"
#include "stations/TexteU.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFileDialog>
#include <QMenu>
#include <QTextCursor>
#include <cstdio>

namespace quarn {
namespace {

constexpr const char* kClass = "TKanal";
constexpr const char* kUnit = "KanalBedienung";

QString Tr(const char* text) {
    return QCoreApplication::translate("TKanal", text);
}

} // namespace

void TKanal::BedienungVerbinden() {
    console_->OnHint = [this](TConsole&, THintType type, int col, int row) {
        return type == THintType::Outside
                   ? std::string()
                   : ConsoleHint(static_cast<int>(type), row, col, QDateTime::currentDateTime());
    };
    console_->OnGutterClick = [this](TConsole&, int row) {
        if (IKanalBoxListe* liste = BoxListe()) {
            liste->MarkRead(row, row, false, true);
        }
    };
    console_->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(console_.get(), &QWidget::customContextMenuRequested, console_.get(),
                     [this](const QPoint& pos) { KontextMenueZeigen(true, console_->mapToGlobal(pos)); });
    // The edit actions follow the focus between console and input editor.
    QObject::connect(qApp, &QApplication::focusChanged, console_.get(), [this](QWidget*, QWidget* now) {
        if (!released_ && active_ && (now == console_.get() || now == editor_.get())) {
            EditAktionen();
        }
    });
    editor_->OnContextPopup = [this](TRichEditQuarn& sender, const QPoint& pos, bool& handled) {
        KontextMenueZeigen(false, sender.mapToGlobal(pos));
        handled = true;
    };
}

// ---- keys ------------------------------------------------------------------------------------------

void TKanal::KeyPress(int& key, unsigned shift) {
    QUARN_ASSERT(IsGuiThread(), kUnit);
    if (released_ || key == 0) {
        return;
    }
    const TKanalTaste taste = KanalTasteDeuten(key, shift, console_->hasFocus());
    using enum TKanalTastenAktion;
    switch (taste.aktion) {
    case Keine:
        return;
    case EingabeFokus:
        editor_->setFocus(Qt::TabFocusReason);
        break;
    case KonsoleEndeFokus:
        console_->ScrollToBottom();
        editor_->setFocus(Qt::OtherFocusReason);
        break;
    case BoxVorher:
        if (IKanalBoxListe* liste = BoxListe()) {
            liste->PrevBlock();
        }
        break;
    case BoxNaechste:
        if (IKanalBoxListe* liste = BoxListe()) {
            liste->NextBlock();
        }
        break;
    case BoxSenden:
        // Enter without marks still sends the (empty) command line: the mailbox takes it as a bare CR.
        BoxListe();
        BoxRun();
        break;
    case BoxLesen:
        BoxRead(true, true);
        break;
    case BoxLoeschen:
        BoxErase(true, true);
        break;
    case Piep:
        QApplication::beep();
        break;
    case ZeileHoch:
        console_->LineUp();
        break;
    case ZeileRunter:
        console_->LineDown();
        break;
    case Anfang:
        console_->ScrollToTop();
        break;
    case Ende:
        console_->ScrollToBottom();
        editor_->moveCursor(QTextCursor::End);
        break;
    case Makro:
        TextMakro(taste.makroArt, taste.einfuegen);
        break;
    case KonsoleFokus:
        console_->setFocus(Qt::BacktabFocusReason);
        break;
    case BoxListeFokus:
        if (IKanalBoxListe* liste = BoxListe()) {
            liste->GotoList();
        }
        console_->setFocus(Qt::OtherFocusReason);
        break;
    case SeiteHoch:
        console_->PageUp();
        break;
    case SeiteRunter:
        console_->PageDown();
        break;
    }
    key = 0;
}

void TKanal::TextMakro(int kind, bool insert) {
    TTexte* texte = Texte();
    if (texte == nullptr) {
        return;
    }
    const std::shared_ptr<IVerbindung> connection = GetVerbindung();
    std::string text;
    texte->ExpandText(kind, connection.get(), text);
    if (insert) {
        QString shown = Cp1252ToQString(text);
        shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
        editor_->insertPlainText(shown);
        return;
    }
    // An empty macro sends nothing: a stray key would otherwise put a blank line on the air.
    if (text.empty() || !connection || number_ == 0) {
        return;
    }
    if (text.back() != '\r') {
        text += '\r';
    }
    TextEingegeben(text);
}

// ---- mailbox list ----------------------------------------------------------------------------------

IKanalBoxListe* TKanal::BoxListe() {
    if (released_) {
        return nullptr;
    }
    if (!boxListe_) {
        boxListe_ = umgebung_.boxListe ? umgebung_.boxListe(*this) : std::make_unique<TBoxList>(*this);
    }
    return boxListe_.get();
}

void TKanal::BoxZeilen(int& first, int& last) const {
    const TSelection selection = console_->Selection();
    if (selection.IsNone()) {
        first = last = console_->GetCaretRow();
        return;
    }
    first = selection.start.row;
    // A selection past the newest line ends on it.
    last = std::min(selection.end.row, console_->Rows() - 1);
}

void TKanal::BoxRead(bool toggle, bool refresh) {
    if (IKanalBoxListe* liste = BoxListe()) {
        int first = 0;
        int last = 0;
        BoxZeilen(first, last);
        liste->MarkRead(first, last, refresh, toggle);
    }
}

void TKanal::BoxErase(bool toggle, bool refresh) {
    if (IKanalBoxListe* liste = BoxListe()) {
        int first = 0;
        int last = 0;
        BoxZeilen(first, last);
        liste->MarkErase(first, last, refresh, toggle);
    }
}

void TKanal::BoxUncheck(bool refresh) {
    if (IKanalBoxListe* liste = BoxListe()) {
        int first = 0;
        int last = 0;
        BoxZeilen(first, last);
        liste->Unmark(first, last, refresh);
    }
}

void TKanal::BoxRun() {
    if (released_ || !boxListe_) {
        return;
    }
    boxListe_->Execute();
    boxListe_.reset();
    editor_->setFocus(Qt::OtherFocusReason);
    console_->ScrollToBottom();
}

// ---- context menu ----------------------------------------------------------------------------------

std::unique_ptr<QMenu> TKanal::KontextMenue(bool konsole) {
    auto menu = std::make_unique<QMenu>();
    if (released_) {
        return menu;
    }
    const std::weak_ptr<TKanal> self = weak_from_this();
    const auto add = [&](const char* text, std::function<void(TKanal&)> work, bool enabled = true) {
        QAction* action = menu->addAction(Tr(text));
        action->setEnabled(enabled);
        // The menu may outlive a release; the action then does nothing.
        QObject::connect(action, &QAction::triggered, [self, work = std::move(work)] {
            if (const std::shared_ptr<TKanal> kanal = self.lock(); kanal && !kanal->released_) {
                work(*kanal);
            }
        });
    };
    if (konsole && number_ >= 1 && console_->Buffer().IsListLine(console_->GetCaretRow())) {
        add("Nachricht zum Lesen markieren", [](TKanal& k) { k.BoxRead(false, false); });
        add("Nachricht zum Löschen markieren", [](TKanal& k) { k.BoxErase(false, false); });
        add("Markierung entfernen", [](TKanal& k) { k.BoxUncheck(false); });
        add("Befehle absenden", [](TKanal& k) { k.BoxRun(); });
        menu->addSeparator();
    }
    if (!konsole) {
        add("Ausschneiden", [](TKanal& k) { k.editor_->cut(); });
    }
    add("Kopieren", [konsole](TKanal& k) {
        if (konsole) {
            k.console_->CopyToClipboard();
        } else {
            k.editor_->copy();
        }
    });
    if (!konsole) {
        add("Einfügen", [](TKanal& k) { k.editor_->paste(); });
        add("Löschen", [](TKanal& k) { k.editor_->textCursor().removeSelectedText(); });
    }
    return menu;
}

void TKanal::KontextMenueZeigen(bool konsole, const QPoint& globalPos) {
    if (released_) {
        return;
    }
    if (umgebung_.kontextKanal) {
        umgebung_.kontextKanal(shared_from_this());
    }
    const std::unique_ptr<QMenu> menu = KontextMenue(konsole);
    menu->exec(globalPos);
}

// ---- save and capture ------------------------------------------------------------------------------

QString TKanal::SpeichernVorschlag() const {
    const std::shared_ptr<IVerbindung> connection = GetVerbindung();
    if (connection) {
        return Cp1252ToQString(connection->Get_Call()) + QStringLiteral(".txt");
    }
    return Tr("Kanal%1").arg(number_, 2, 10, QLatin1Char('0')) + QStringLiteral(".txt");
}

std::filesystem::path TKanal::SpeichernDialog() {
    QFileDialog dialog(nullptr, Tr("Speichern"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("txt"));
    dialog.setNameFilters({Tr("Text Dateien (*.txt)"), Tr("Alle Dateien (*)")});
    // The overwrite question is ours: it offers to append.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setDirectory(QString::fromStdString(TOrdner().GetEmpfang().string()));
    dialog.selectFile(SpeichernVorschlag());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    return std::filesystem::path(dialog.selectedFiles().front().toStdString());
}

void TKanal::Speichern() {
    QUARN_ASSERT(IsGuiThread(), kUnit);
    if (released_) {
        return;
    }
    bool closed = false;
    {
        const Locker lock(captureLock_);
        closed = static_cast<bool>(capture_);
        capture_.reset();
    }
    if (!closed) {
        if (const std::filesystem::path file = SpeichernDialog(); !file.empty()) {
            SpeichernNach(file);
            return;
        }
    }
    EditAktionen();
    Statuszeile();
}

bool TKanal::SpeichernNach(const std::filesystem::path& file) {
    QUARN_ASSERT(IsGuiThread(), kUnit);
    if (released_) {
        return false;
    }
    bool append = false;
    std::error_code error;
    if (std::filesystem::exists(file, error)) {
        const int answer = TDateiUeberschreibenAnhaengenForm::Fragen(
            QString::fromStdString(file.filename().string()), console_->window());
        if (answer != mrYes && answer != mrNo) {
            return false;
        }
        append = answer == mrNo;
    }
    bool saved = MitschreibenStarten(file, append);
    if (saved) {
        const std::string text = console_->GetSelectedText();
        const Locker lock(captureLock_);
        try {
            capture_->Write(text.data(), text.size());
        } catch (const std::exception& failure) {
            DebOutObj(kClass, "Speichern", std::string("FEHLER: ") + failure.what());
            saved = false;
        }
        // A saved piece of the past closes the file; otherwise it goes on capturing.
        if (!saved || (!text.empty() && !console_->SelectionToEnd())) {
            capture_.reset();
        }
    }
    if (!saved) {
        TDlgMessage::Run(Tr("Speichern"), Tr("Datei kann nicht zum Schreiben geöffnet werden."), mbOK);
    } else {
        console_->ClearSelection();
    }
    EditAktionen();
    Statuszeile();
    return saved;
}

// ---- hints -----------------------------------------------------------------------------------------

std::string TKanal::ConsoleHint(int kind, int row, int column, const QDateTime& jetzt) {
    QUARN_ASSERT(IsGuiThread(), kUnit);
    if (released_ || row < 0 || row >= console_->Rows()) {
        return {};
    }
    std::string hint;
    if (kind == 0) {
        const auto* cells = reinterpret_cast<const char*>(console_->TextPtr(0, row));
        const std::string word = RufzeichenWort(std::string_view(cells, console_->Cols()), column);
        if (!word.empty() && StationenDatenbank() != nullptr) {
            if (const auto station = StationenDatenbank()->FindEintrag(word, true)) {
                hint = station->GetRufzeichen() + '\r' + station->GetName();
            }
        }
    } else if (kind == 1) {
        hint = QStringToCp1252(ZeilenAlterHinweis(console_->Buffer().Line(row).TimeStamp(), jetzt));
    }
    if (!hint.empty()) {
        DebOutObj(kClass, "ConsoleHint", hint);
    }
    return hint;
}

void TKanal::HintZeigen() {
    QUARN_ASSERT(IsGuiThread(), kUnit);
    if (released_) {
        return;
    }
    const QString text = KurzerHinweis(button_->Hint());
    QWidget* widget = button_->Widget();
    if (text.isEmpty() || widget == nullptr) {
        return;
    }
    ShowChannelHint(widget->mapToGlobal(QPoint(0, widget->height() + 3)), text, 640);
}

} // namespace quarn
