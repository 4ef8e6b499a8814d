// The main window's drop target: Qt's drag events of the window in place of the system's drop target.
#include "ui/DropTargetU.h"

#include "console/ConsoleU.h"
#include "console/DragSource.h"
#include "console/RichEditQuarnU.h"
#include "devices/channel/KanaeleU.h"
#include "foundation/DebOutU.h"
#include "foundation/InterfacesU.h"
#include "foundation/SynchronizeU.h"
#include "platform/Codepage.h"
#include "platform/Exception.h"

#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QPointer>
#include <QUrl>
#include <QWidget>
#include <algorithm>
#include <atomic>

namespace quarn {
namespace {

constexpr const char* kUnit = "DropTargetU";
constexpr const char* kClass = "TDropTarget";

std::atomic<TDropTarget*> instance{nullptr};

bool IsVerbunden(const std::shared_ptr<IKanal>& kanal) {
    return kanal && kanal->IsVerbunden();
}

std::filesystem::path LokalerPfad(const QUrl& url) {
    // Full UTF-8 paths: no length limit and no code page on the way.
    return std::filesystem::path(url.toLocalFile().toStdString());
}

} // namespace

TDropAntwort DropEntscheiden(const TDropLage& lage) {
    switch (lage.ort) {
    case TDropOrt::KanalKnopf:
        if (lage.knopf <= 0) {
            return {};
        }
        return {lage.knopfVerbunden, lage.knopf};
    case TDropOrt::Konsole:
    case TDropOrt::Eingabe:
        return {lage.aktuellVerbunden, std::nullopt};
    case TDropOrt::Anderswo:
        return {};
    }
    return {};
}

TDropInhalt DropInhaltLesen(const QMimeData& daten) {
    TDropInhalt inhalt;
    // A console's own text drag offers its text as a scrap file as well: its text is meant.
    if (daten.hasUrls() && !IsOwnDrag(daten)) {
        for (const QUrl& url : daten.urls()) {
            if (url.isLocalFile()) {
                inhalt.dateien.push_back(LokalerPfad(url));
            } else {
                inhalt.fremdeUrls.push_back(url.toString());
            }
        }
    }
    // Qt counts URLs as text too; a link alone is no text here.
    const QStringList formats = daten.formats();
    const bool text = std::any_of(formats.begin(), formats.end(), [](const QString& format) {
        return format == QLatin1String("text/plain") || format.startsWith(QLatin1String("text/plain;"));
    });
    if (inhalt.dateien.empty() && text) {
        inhalt.text = QStringToCp1252(daten.text());
    }
    return inhalt;
}

TDropTarget::TDropTarget(IDropFenster& fenster) : fenster_(fenster) {
    QUARN_ASSERT(IsGuiThread(), kUnit);
    TDropTarget* expected = nullptr;
    QUARN_ASSERT(instance.compare_exchange_strong(expected, this), kUnit);
    hoverTimer_.setSingleShot(true);
    hoverTimer_.setInterval(kSchwebeMs);
    connect(&hoverTimer_, &QTimer::timeout, this, &TDropTarget::SchwebeTick);
    dropTimer_.setSingleShot(true);
    dropTimer_.setInterval(kUebergabeMs);
    connect(&dropTimer_, &QTimer::timeout, this, &TDropTarget::UebergabeTick);
    QWidget& window = fenster_.DropFenster();
    window.setAcceptDrops(true);
    window.installEventFilter(this);
    DebOutObj(kClass, "AfterConstruction", "Drop: Registered successfully.");
}

TDropTarget::~TDropTarget() {
    QWidget& window = fenster_.DropFenster();
    window.removeEventFilter(this);
    window.setAcceptDrops(false);
    instance.store(nullptr);
}

TDropTarget* TDropTarget::Instance() {
    return instance.load();
}

bool TDropTarget::eventFilter(QObject* watched, QEvent* event) {
    if (watched != &fenster_.DropFenster()) {
        return false;
    }
    switch (event->type()) {
    case QEvent::DragEnter:
        DragEnter(*static_cast<QDragEnterEvent*>(event));
        return true;
    case QEvent::DragMove:
        DragOver(*static_cast<QDragMoveEvent*>(event));
        return true;
    case QEvent::DragLeave:
        DragLeave();
        return true;
    case QEvent::Drop:
        Drop(*static_cast<QDropEvent*>(event));
        return true;
    default:
        return false;
    }
}

void TDropTarget::DragEnter(QDragEnterEvent& event) {
    DebOutObj(kClass, "DragEnter", "");
    // Taken as proposed, or Qt sends no moves; the first move decides.
    event.acceptProposedAction();
}

TDropLage TDropTarget::LageBei(const QPoint& position) const {
    TDropLage lage;
    const TKanaele* kanaele = TKanaele::Instance();
    QWidget& window = fenster_.DropFenster();
    if (const std::optional<int> knopf = fenster_.KanalKnopfBei(window.mapToGlobal(position))) {
        lage.ort = TDropOrt::KanalKnopf;
        lage.knopf = *knopf;
        lage.knopfVerbunden = kanaele && IsVerbunden(kanaele->GetKanal(*knopf));
        return lage;
    }
    for (const QWidget* w = window.childAt(position); w != nullptr && w != &window; w = w->parentWidget()) {
        if (qobject_cast<const TConsole*>(w)) {
            lage.ort = TDropOrt::Konsole;
            break;
        }
        if (qobject_cast<const TRichEditQuarn*>(w)) {
            lage.ort = TDropOrt::Eingabe;
            break;
        }
    }
    lage.aktuellVerbunden = kanaele && IsVerbunden(kanaele->GetAktuell());
    return lage;
}

void TDropTarget::DragOver(QDragMoveEvent& event) {
    const TDropAntwort antwort = DropEntscheiden(LageBei(event.position().toPoint()));
    if (!antwort.schwebeKanal) {
        SchwebeStoppen();
    } else if (antwort.schwebeKanal != gemerkt_) {
        gemerkt_ = antwort.schwebeKanal;
        hoverTimer_.start();
    }
    if (antwort.annehmen) {
        event.setDropAction(Qt::CopyAction);
        event.accept();
    } else {
        event.setDropAction(Qt::IgnoreAction);
        event.ignore();
    }
}

void TDropTarget::DragLeave() {
    DebOutObj(kClass, "DragLeave", "");
    SchwebeStoppen();
}

void TDropTarget::SchwebeStoppen() {
    hoverTimer_.stop();
    gemerkt_.reset();
}

void TDropTarget::SchwebeTick() {
    // The channel stays remembered while the drag rests there, so that it is chosen once.
    if (!gemerkt_) {
        return;
    }
    const int number = *gemerkt_;
    const QPointer<TDropTarget> self(this);
    QCoreApplication::processEvents();
    if (!self) {
        return;
    }
    // The channel count may have been lowered meanwhile.
    const TKanaele* kanaele = TKanaele::Instance();
    if (kanaele == nullptr || number > kanaele->GetAnzahl()) {
        gemerkt_.reset();
        return;
    }
    fenster_.KanalKnopfKlicken(number);
    QCoreApplication::processEvents();
}

void TDropTarget::Drop(QDropEvent& event) {
    SchwebeStoppen();
    QWidget& window = fenster_.DropFenster();
    if (window.isMinimized()) {
        window.showNormal();
    }
    window.raise();
    window.activateWindow();

    const QMimeData* daten = event.mimeData();
    if (daten == nullptr) {
        event.ignore();
        return;
    }
    for (const QString& format : daten->formats()) {
        DebOutObj(kClass, "Drop", "Format = '" + format.toStdString() + "'");
    }
    TDropInhalt inhalt = DropInhaltLesen(*daten);
    for (const QString& url : inhalt.fremdeUrls) {
        DebOutObj(kClass, "Drop", "Keine lokale Datei = '" + url.toStdString() + "'");
    }
    art_ = TArt::Nichts;
    if (!inhalt.dateien.empty()) {
        art_ = TArt::Dateien;
        DebOutObj(kClass, "Drop", "Anzahl = " + std::to_string(inhalt.dateien.size()));
        for (const std::filesystem::path& datei : inhalt.dateien) {
            DebOutObj(kClass, "Drop", "Datei = '" + datei.string() + "'");
        }
        dateien_ = std::move(inhalt.dateien);
    } else if (inhalt.text) {
        art_ = TArt::Text;
        DebOutObj(kClass, "Drop", "Text = '" + Cp1252ToUtf8(*inhalt.text) + "'");
        text_ = std::move(*inhalt.text);
    }
    if (art_ == TArt::Nichts) {
        event.ignore();
        return;
    }
    // Always a copy: a file manager deletes what was moved.
    event.setDropAction(Qt::CopyAction);
    event.accept();
    // The channel opens a wizard, which must not run inside the drag's own handling.
    dropTimer_.start();
}

void TDropTarget::UebergabeTick() {
    const TArt art = art_;
    art_ = TArt::Nichts;
    std::string text = std::move(text_);
    std::vector<std::filesystem::path> dateien = std::move(dateien_);
    text_.clear();
    dateien_.clear();
    const TKanaele* kanaele = TKanaele::Instance();
    const std::shared_ptr<IKanal> kanal = kanaele ? kanaele->GetAktuell() : nullptr;
    if (!kanal) {
        return;
    }
    if (art == TArt::Text) {
        kanal->SendenText(text);
    } else if (art == TArt::Dateien) {
        kanal->SendenDateien(dateien);
    }
}

} // namespace quarn
