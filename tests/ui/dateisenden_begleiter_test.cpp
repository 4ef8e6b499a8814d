// The send-file wizard's companions: the part choice and the template editor, offscreen.
#include "connections/send/DateiSendenVorlagenU.h"
#include "platform/Registry.h"
#include "support/TempDir.h"
#include "ui/DateiSendenTeileAuswahlU.h"
#include "ui/DateiSendenVorlagenDlgU.h"

#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QListWidget>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTextBrowser>
#include <gtest/gtest.h>

namespace quarn {
namespace {

const QString kScreenshots = QStringLiteral(QUARN_BINARY_DIR "/tests/screenshots/");

void Speichern(QWidget& widget, const QString& name) {
    QDir().mkpath(kScreenshots);
    EXPECT_TRUE(widget.grab().save(kScreenshots + name));
}

void Waehlen(QListWidget& liste, std::initializer_list<int> zeilen) {
    liste.clearSelection();
    for (const int zeile : zeilen) {
        liste.item(zeile)->setSelected(true);
    }
    liste.setCurrentRow(*zeilen.begin(), QItemSelectionModel::NoUpdate);
}

TEST(DateiSendenTeileAuswahl, SpaceAndTheRightButtonCheckOrUncheckEverySelectedRow) {
    const bool x = true;
    const bool o = false;
    TDateiSendenTeileAuswahlDlg dlg("bild.jpg", {x, o, x, x, o, o, o, o, o, x, o, o});
    QListWidget& liste = *dlg.Liste();
    ASSERT_EQ(liste.count(), 12);
    EXPECT_EQ(dlg.windowTitle(), "Teile...");
    EXPECT_EQ(liste.item(9)->text(), "Teil 010 (.B0A)");

    // One of the selected rows is unchecked: all become checked; then all unchecked.
    Waehlen(liste, {1, 2, 3});
    QKeyEvent space(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier);
    QApplication::sendEvent(&liste, &space);
    EXPECT_EQ(dlg.Zustaende(), (std::vector<bool>{x, x, x, x, o, o, o, o, o, x, o, o}));
    QApplication::sendEvent(&liste, &space);
    EXPECT_EQ(dlg.Zustaende(), (std::vector<bool>{x, o, o, o, o, o, o, o, o, x, o, o}));

    // A right-button press on a selected row's check box does the same.
    dlg.show();
    Waehlen(liste, {4, 5});
    QStyleOptionViewItem option;
    option.initFrom(&liste);
    option.rect = liste.visualItemRect(liste.item(5));
    option.features = QStyleOptionViewItem::HasCheckIndicator;
    const QPoint kaestchen =
        liste.style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, &liste).center();
    QMouseEvent rechts(QEvent::MouseButtonPress, kaestchen, liste.viewport()->mapToGlobal(kaestchen),
                       Qt::RightButton, Qt::RightButton, Qt::NoModifier);
    QApplication::sendEvent(liste.viewport(), &rechts);
    EXPECT_EQ(dlg.Zustaende(), (std::vector<bool>{x, o, o, o, x, x, o, o, o, x, o, o}));
    Speichern(dlg, "dateisenden_teile.png");
}

class DateiSendenVorlagenTest : public ::testing::Test {
protected:
    test::TempDir tmp;
    RegistryStore store{tmp.path()};
    static constexpr const char* kKey = "\\Software\\Velmoor\\Quarn\\Vorlagen\\Senden Text Nachher";
    TDateiSendenVorlagen vorlagen{kKey, 1, {"***end\r\n", "NNNN\r\n", "/EX\r\n"}, store};
};

TEST_F(DateiSendenVorlagenTest, EditingChangesTheCopyAndOkSavesIt) {
    TDateiSendenVorlagenDlg dlg(vorlagen);
    dlg.show();
    EXPECT_EQ(dlg.windowTitle(), "Datei senden - Vorlagen");
    EXPECT_TRUE(dlg.Hilfe()->toHtml().contains("%q")) << "the placeholders are explained";
    ASSERT_EQ(dlg.Liste()->count(), 3);
    dlg.Liste()->setCurrentRow(1);
    EXPECT_EQ(dlg.Memo()->toPlainText(), "NNNN\n");
    dlg.Memo()->setPlainText("NNNN\nENDE");
    EXPECT_EQ(dlg.Vorlagen().GetVorlage(1), "NNNN\r\nENDE");
    EXPECT_EQ(vorlagen.GetVorlage(1), "NNNN\r\n") << "the wizard's list waits for OK";

    // Removing selects the template now at that place, and after the last one the new last one.
    dlg.Entfernen();
    EXPECT_EQ(dlg.Liste()->currentRow(), 1);
    EXPECT_EQ(dlg.Memo()->toPlainText(), "/EX\n");
    dlg.Entfernen();
    EXPECT_EQ(dlg.Liste()->currentRow(), 0);
    dlg.Entfernen();
    EXPECT_EQ(dlg.Liste()->currentRow(), -1);
    EXPECT_FALSE(dlg.Memo()->isEnabled()) << "nothing selected, nothing to edit";

    ASSERT_TRUE(dlg.Hinzufuegen());
    dlg.Memo()->setPlainText("/ex");
    dlg.ButtonOk()->click();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(TDateiSendenVorlagen(kKey, 1, {"***end\r\n"}, store).GetCount(), 1) << "saved, version kept";
    EXPECT_EQ(store.ReadString(Hive::CurrentUser, kKey, "00"), "/ex");
}

TEST_F(DateiSendenVorlagenTest, TheHundredAndFirstTemplateIsRefused) {
    TDateiSendenVorlagenDlg dlg(vorlagen);
    while (dlg.Vorlagen().GetCount() < TDateiSendenVorlagenDlg::kMaxVorlagen) {
        ASSERT_TRUE(dlg.Hinzufuegen());
    }
    EXPECT_FALSE(dlg.ButtonHinzufuegen()->isEnabled());
    EXPECT_FALSE(dlg.Hinzufuegen());
    EXPECT_EQ(dlg.Vorlagen().GetCount(), 100);
    EXPECT_EQ(dlg.Liste()->currentRow(), 99);
    dlg.Entfernen();
    EXPECT_TRUE(dlg.ButtonHinzufuegen()->isEnabled());
}

TEST_F(DateiSendenVorlagenTest, Screenshot) {
    TDateiSendenVorlagenDlg dlg(vorlagen);
    dlg.show();
    dlg.Liste()->setCurrentRow(0);
    Speichern(dlg, "dateisenden_vorlagen.png");
}

} // namespace
} // namespace quarn
