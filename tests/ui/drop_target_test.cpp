// Files and texts dragged onto the main window: the rule at a point, what a drop brings, and the window on
// the offscreen platform fed with drag events as the platform delivers them.
#include "console/DragSource.h"
#include "devices/channel/KanaeleU.h"
#include "devices/channel/KanalU.h"
#include "foundation/DebOutU.h"
#include "ui/DateiSendenDlgU.h"
#include "ui/DropTargetU.h"
#include "ui/Hauptfenster.h"

#include "stations/fake_verbindung.h"
#include "support/RunEvents.h"
#include "support/TempDir.h"

#include <QDragEnterEvent>
#include <QDragLeaveEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTest>
#include <QTextEdit>
#include <QToolBar>
#include <QUrl>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <mutex>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace quarn {
namespace {

using test::RunEventsUntil;

const std::filesystem::path kFontFile = QUARN_BINARY_DIR "/bin/quarn.fon";

TEST(DropEntscheiden, TheButtonsChannelOrTheCurrentOneDecides) {
    struct Case {
        const char* what;
        TDropLage lage;
        TDropAntwort erwartet;
    };
    const std::vector<Case> cases{
        {"button of an unconnected channel: no drop, but it chooses",
         {TDropOrt::KanalKnopf, 3, false, true},
         {false, 3}},
        {"button of a connected channel", {TDropOrt::KanalKnopf, 3, true, false}, {true, 3}},
        {"the monitor's button neither takes nor chooses",
         {TDropOrt::KanalKnopf, 0, true, true},
         {false, {}}},
        {"a button below 0 likewise", {TDropOrt::KanalKnopf, -1, true, true}, {false, {}}},
        {"console, current channel connected", {TDropOrt::Konsole, 0, false, true}, {true, {}}},
        {"console, current channel not connected", {TDropOrt::Konsole, 0, false, false}, {false, {}}},
        {"input editor, current channel connected", {TDropOrt::Eingabe, 0, false, true}, {true, {}}},
        {"input editor, current channel not connected", {TDropOrt::Eingabe, 0, false, false}, {false, {}}},
        {"anywhere else", {TDropOrt::Anderswo, 0, true, true}, {false, {}}},
    };
    for (const Case& one : cases) {
        SCOPED_TRACE(one.what);
        const TDropAntwort antwort = DropEntscheiden(one.lage);
        EXPECT_EQ(antwort.annehmen, one.erwartet.annehmen);
        EXPECT_EQ(antwort.schwebeKanal, one.erwartet.schwebeKanal);
    }
}

std::unique_ptr<QMimeData> Daten(const std::vector<QUrl>& urls, const QString& text = {}) {
    auto daten = std::make_unique<QMimeData>();
    if (!urls.empty()) {
        daten->setUrls(QList<QUrl>(urls.begin(), urls.end()));
    }
    if (!text.isNull()) {
        daten->setText(text);
    }
    return daten;
}

TEST(DropInhaltLesen, LocalFilesFirstThenTextAsWindows1252) {
    const std::string lang = "/tmp/" + std::string(150, 'a') + "/" + std::string(146, 'b') + ".txt";
    ASSERT_EQ(lang.size(), 306U);
    const auto dateien =
        Daten({QUrl::fromLocalFile(QString::fromStdString(lang)),
               QUrl::fromLocalFile(QString::fromUtf8("/tmp/Grüße ä.txt")), QUrl("https://example.org/x.zip")},
              "auch Text");
    const TDropInhalt mitDateien = DropInhaltLesen(*dateien);
    EXPECT_EQ(mitDateien.dateien,
              (std::vector<std::filesystem::path>{lang, std::filesystem::path("/tmp/Grüße ä.txt")}))
        << "full UTF-8 paths, nothing cut";
    EXPECT_EQ(mitDateien.fremdeUrls, std::vector<QString>{"https://example.org/x.zip"});
    EXPECT_FALSE(mitDateien.text) << "files win over text";

    const TDropInhalt text = DropInhaltLesen(*Daten({}, QString::fromUtf8("Grüße €")));
    EXPECT_TRUE(text.dateien.empty());
    EXPECT_EQ(text.text, std::string("Gr\xFC\xDF"
                                     "e \x80"));

    const TDropInhalt fremd = DropInhaltLesen(*Daten({QUrl("https://example.org/x.zip")}));
    EXPECT_TRUE(fremd.dateien.empty());
    EXPECT_FALSE(fremd.text);
    EXPECT_EQ(fremd.fremdeUrls.size(), 1U);

    // A console's text drag offers its text as a scrap file too: its text is meant.
    TDragTextSource eigene;
    eigene.SetText("vom Monitor");
    const std::unique_ptr<QMimeData> eigeneDaten = eigene.MakeDataObject();
    ASSERT_TRUE(eigeneDaten->hasUrls());
    const TDropInhalt eigenerText = DropInhaltLesen(*eigeneDaten);
    EXPECT_TRUE(eigenerText.dateien.empty());
    EXPECT_EQ(eigenerText.text, std::string("vom Monitor"));
}

// The trace lines written while it lives.
class Trace {
public:
    bool Has(std::string_view part) const {
        const std::lock_guard lock(mutex_);
        for (const std::string& line : lines_) {
            if (line.find(part) != std::string::npos) {
                return true;
            }
        }
        return false;
    }

private:
    mutable std::mutex mutex_;
    std::vector<std::string> lines_;
    ScopedTraceCapture capture_{[this](std::string_view line) {
        const std::lock_guard lock(mutex_);
        lines_.emplace_back(line);
    }};
};

TEST(DropTargetFenster, RegisteredAtTheStartAndRevokedAtTheEnd) {
    const Trace trace;
    THauptfenster window(kFontFile);
    EXPECT_TRUE(trace.Has("Drop: Registered successfully."));
    EXPECT_NE(TDropTarget::Instance(), nullptr);
    EXPECT_TRUE(window.acceptDrops());
    window.SitzungsEnde();
    EXPECT_TRUE(trace.Has("Revoke Drag & Drop"));
    EXPECT_EQ(TDropTarget::Instance(), nullptr);
    EXPECT_FALSE(window.acceptDrops());
}

constexpr Qt::DropActions kAngebot = Qt::CopyAction | Qt::MoveAction;

class DropTargetTest : public ::testing::Test {
protected:
    DropTargetTest() {
        // Wide enough for every channel's button.
        window_.resize(1400, 700);
        window_.show();
        QCoreApplication::processEvents();
        dateien_ = Daten({QUrl::fromLocalFile(QString::fromStdString((ordner_ / "a.txt").string()))});
        std::ofstream(ordner_ / "a.txt") << "a";
    }
    ~DropTargetTest() override {
        if (TKanaele* kanaele = TKanaele::Instance()) {
            if (const auto kanal = kanaele->GetTKanal(1)) {
                kanal->SetVerbindung(nullptr);
            }
        }
    }

    QWidget* Child(const QString& name) const { return window_.findChild<QWidget*>(name); }
    QPoint Mitte(const QWidget* widget) const { return widget->mapTo(&window_, widget->rect().center()); }
    QPoint Knopf(int number) const {
        const QWidget* button =
            window_.KanalLeiste()->findChild<QWidget*>(QString::asprintf("ChannelButton%2.2d", number));
        EXPECT_TRUE(button && button->isVisible()) << number;
        return button ? Mitte(button) : QPoint();
    }
    QPoint Konsole() const { return Mitte(Child("Console01")); }

    // A move over the window at `point`, after the enter the first time; true when a copy is allowed.
    // Qt sends the moves and the drop to the widget that took the enter, whichever receives them.
    bool Ueber(QPoint point, const QMimeData& daten, QWidget* ziel = nullptr) {
        ziel = ziel ? ziel : &window_;
        if (!drin_) {
            QDragEnterEvent enter(point, kAngebot, &daten, Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(ziel, &enter);
            EXPECT_TRUE(enter.isAccepted()) << "moves follow only an accepted enter";
            drin_ = true;
        }
        QDragMoveEvent move(point, kAngebot, &daten, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(ziel, &move);
        return move.isAccepted() && move.dropAction() == Qt::CopyAction;
    }
    void Verlassen(QWidget* ziel = nullptr) {
        QDragLeaveEvent leave;
        QCoreApplication::sendEvent(ziel ? ziel : &window_, &leave);
        drin_ = false;
    }
    // The drop; true when it was taken, as a copy.
    bool Fallen(QPoint point, const QMimeData& daten, QWidget* ziel = nullptr) {
        // Qt hands a drop only to the widget that took the drag's enter.
        if (!drin_) {
            Ueber(point, daten, ziel);
        }
        QDropEvent drop(point, kAngebot, &daten, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(ziel ? ziel : &window_, &drop);
        drin_ = false;
        return drop.isAccepted() && drop.dropAction() == Qt::CopyAction;
    }
    int Aktuell() const { return TKanaele::Instance()->GetAktuellNr(); }
    void Verbinden(int number) {
        TKanaele::Instance()->GetTKanal(number)->SetVerbindung(
            std::make_shared<test::FakeVerbindung>("DB0ECH"));
    }
    TDateiSendenDlg* Assistent() const { return window_.findChild<TDateiSendenDlg*>(); }
    std::vector<std::filesystem::path> Gelistet() const {
        std::vector<std::filesystem::path> namen;
        for (const TDateiSendenEintrag& eintrag : Assistent()->Eintraege()) {
            namen.push_back(eintrag.name);
        }
        return namen;
    }

    test::TempDir ordner_;
    THauptfenster window_{kFontFile};
    std::unique_ptr<QMimeData> dateien_;
    bool drin_ = false;
};

TEST_F(DropTargetTest, RestingOverAnUnconnectedChannelsButtonRefusesTheDropButChoosesTheChannel) {
    ASSERT_EQ(Aktuell(), 1);
    EXPECT_FALSE(Ueber(Knopf(3), *dateien_));
    EXPECT_EQ(Aktuell(), 1) << "not before the pause";
    EXPECT_TRUE(RunEventsUntil([&] { return Aktuell() == 3; }));

    // A connected channel's button takes the drop as well.
    Verbinden(1);
    EXPECT_TRUE(Ueber(Knopf(1), *dateien_));
    EXPECT_TRUE(RunEventsUntil([&] { return Aktuell() == 1; }));
}

TEST_F(DropTargetTest, TheMonitorsButtonNeitherTakesNorChooses) {
    Verbinden(1);
    EXPECT_FALSE(Ueber(Knopf(3), *dateien_));
    // Moved on to the monitor before the pause ended: channel 3 is not chosen either.
    EXPECT_FALSE(Ueber(Knopf(0), *dateien_));
    QTest::qWait(2 * TDropTarget::kSchwebeMs);
    EXPECT_EQ(Aktuell(), 1);
    EXPECT_FALSE(TDropTarget::Instance()->SchwebeLaeuft());
}

TEST_F(DropTargetTest, LeavingOrDroppingBeforeThePauseEndsChoosesNothing) {
    EXPECT_FALSE(Ueber(Knopf(3), *dateien_));
    Verlassen();
    EXPECT_FALSE(Ueber(Knopf(4), *dateien_));
    Fallen(Knopf(4), *dateien_);
    QTest::qWait(2 * TDropTarget::kSchwebeMs);
    EXPECT_EQ(Aktuell(), 1);
    EXPECT_FALSE(TDropTarget::Instance()->GemerkterKanal());
}

TEST_F(DropTargetTest, ComingBackToAButtonAfterAPauseElsewhereChoosesIt) {
    EXPECT_FALSE(Ueber(Knopf(3), *dateien_));
    EXPECT_FALSE(Ueber(Konsole(), *dateien_));
    QTest::qWait(2 * TDropTarget::kSchwebeMs);
    EXPECT_EQ(Aktuell(), 1);
    EXPECT_FALSE(Ueber(Knopf(3), *dateien_));
    EXPECT_TRUE(RunEventsUntil([&] { return Aktuell() == 3; }));
}

TEST_F(DropTargetTest, AChannelGoneWhileTheDragRestsOnItsButtonIsNotChosen) {
    EXPECT_FALSE(Ueber(Knopf(5), *dateien_));
    TKanaele::Instance()->SetAnzahl(2);
    ASSERT_EQ(TKanaele::Instance()->GetAnzahl(), 2);
    QTest::qWait(2 * TDropTarget::kSchwebeMs);
    EXPECT_LE(Aktuell(), 2);
    // The drag goes on over what is there now.
    EXPECT_FALSE(Ueber(Konsole(), *dateien_));
}

TEST_F(DropTargetTest, AConsoleTakesTheDropOnlyWhileTheCurrentChannelIsConnected) {
    EXPECT_FALSE(Ueber(Konsole(), *dateien_));
    Verbinden(1);
    EXPECT_TRUE(Ueber(Konsole(), *dateien_));
    EXPECT_FALSE(Ueber(Mitte(window_.Befehlsleiste()), *dateien_)) << "the command toolbar takes nothing";
}

TEST_F(DropTargetTest, DroppedFilesReachTheWizardWithTheirFullPathsAfterTheDropReturned) {
    // One path of more than 300 characters and one with an umlaut; a text beside them is not taken.
    const std::filesystem::path tief = ordner_ / std::string(150, 'a');
    std::filesystem::create_directories(tief);
    const std::filesystem::path lang = tief / (std::string(150, 'b') + ".txt");
    const std::filesystem::path umlaut = ordner_ / "Grüße ä.txt";
    ASSERT_GT(lang.string().size(), 300U);
    std::ofstream(lang) << "lang";
    std::ofstream(umlaut) << "umlaut";
    const auto daten = Daten({QUrl::fromLocalFile(QString::fromStdString(lang.string())),
                              QUrl::fromLocalFile(QString::fromStdString(umlaut.string()))},
                             "Text daneben");

    Verbinden(1);
    EXPECT_TRUE(Ueber(Konsole(), *daten));
    EXPECT_TRUE(Fallen(Konsole(), *daten));
    EXPECT_EQ(Assistent(), nullptr) << "not while the drop is handled";
    ASSERT_TRUE(RunEventsUntil([&] { return Assistent() != nullptr; }));
    EXPECT_EQ(Gelistet(), (std::vector<std::filesystem::path>{lang, umlaut}));
}

TEST_F(DropTargetTest, ADropRefusedByTheCursorStillGoesToTheCurrentChannel) {
    // The current channel is not connected: the wizard decides what it can do.
    const auto text = Daten({}, QString::fromUtf8("Grüße € aus dem Editor"));
    EXPECT_FALSE(Ueber(Konsole(), *text));
    EXPECT_TRUE(Fallen(Konsole(), *text));
    ASSERT_TRUE(RunEventsUntil([&] { return Assistent() != nullptr; }));
    EXPECT_EQ(Assistent()->TextMemo()->toPlainText(), QString::fromUtf8("Grüße € aus dem Editor"));
}

TEST_F(DropTargetTest, ADropOfNothingTakableOpensNothing) {
    const auto fremd = Daten({QUrl("https://example.org/datei.zip")});
    EXPECT_FALSE(Fallen(Konsole(), *fremd));
    QTest::qWait(5 * TDropTarget::kUebergabeMs);
    EXPECT_EQ(Assistent(), nullptr);
}

TEST_F(DropTargetTest, AFolderIsWalkedAndAPipeIsNotSent) {
    std::filesystem::create_directories(ordner_ / "Ordner");
    std::ofstream(ordner_ / "Ordner" / "innen.txt") << "innen";
    const std::filesystem::path pipe = ordner_ / "pipe";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const auto daten = Daten({QUrl::fromLocalFile(QString::fromStdString((ordner_ / "Ordner").string())),
                              QUrl::fromLocalFile(QString::fromStdString(pipe.string()))});
    EXPECT_TRUE(Fallen(Konsole(), *daten));
    ASSERT_TRUE(RunEventsUntil([&] { return Assistent() != nullptr; }));
    EXPECT_EQ(Gelistet(), std::vector<std::filesystem::path>{ordner_ / "Ordner" / "innen.txt"});
}

TEST_F(DropTargetTest, TheInputEditorKeepsTextAndHandsFileListsToTheWindow) {
    auto* editor = qobject_cast<QTextEdit*>(Child("Eingabe01"));
    ASSERT_NE(editor, nullptr);
    QWidget* viewport = editor->viewport();
    const QPoint mitte = viewport->rect().center();

    const auto text = Daten({}, "Hallo");
    EXPECT_TRUE(Ueber(mitte, *text, viewport)) << "the editor's own";
    Fallen(mitte, *text, viewport);
    EXPECT_TRUE(editor->toPlainText().contains("Hallo"));

    Verbinden(1);
    EXPECT_TRUE(Ueber(mitte, *dateien_, viewport));
    EXPECT_TRUE(Fallen(mitte, *dateien_, viewport));
    ASSERT_TRUE(RunEventsUntil([&] { return Assistent() != nullptr; }));
    EXPECT_EQ(Gelistet(), std::vector<std::filesystem::path>{ordner_ / "a.txt"});
    EXPECT_FALSE(editor->toPlainText().contains("a.txt")) << "no path typed into the editor";
}

} // namespace
} // namespace quarn
