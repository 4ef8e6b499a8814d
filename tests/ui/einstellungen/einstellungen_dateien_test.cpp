// The settings page "Dateien": the two folders, the folder browser behind "..." and the refusal of a
// folder that does not exist.
#include "foundation/DlgMessageU.h"
#include "foundation/OrdnerU.h"
#include "ui/einstellungen/EinstellungenDateien.h"

#include "support/TempDir.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

namespace quarn {
namespace {

QString Pfad(const std::filesystem::path& path) {
    return QString::fromStdString(path.string());
}

// Runs `step` on the next window of kind T that shows (a dialog's own loop runs meanwhile).
template <class T> void WennOffen(std::function<void(T&)> step) {
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, step] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* window = qobject_cast<T*>(widget); window != nullptr && window->isVisible()) {
                timer->stop();
                timer->deleteLater();
                step(*window);
                return;
            }
        }
    });
    timer->start(5);
}

class EinstellungenDateien : public ::testing::Test {
protected:
    EinstellungenDateien() {
        std::filesystem::create_directories(temp_ / "empfang");
        std::filesystem::create_directories(temp_ / "remote");
        std::filesystem::create_directories(temp_ / "neu");
        TOrdner().SetEmpfang(temp_ / "empfang");
        TOrdner().SetRemote(temp_ / "remote" / "");
    }
    test::TempDir temp_;
};

TEST_F(EinstellungenDateien, ShowsTheFoldersWithoutTrailingSlash) {
    TEinstellungenDateien page(nullptr);
    EXPECT_EQ(page.Empfang()->text(), Pfad(temp_ / "empfang"));
    EXPECT_EQ(page.Fernst()->text(), Pfad(temp_ / "remote"));
    EXPECT_FALSE(page.FortschrittFenster()->isEnabled());
    EXPECT_EQ(page.FortschrittFenster()->text(), "Eigenes Fenster für Übertragungsfortschritt");
    EXPECT_EQ(OrdnerAnzeige("/"), "/");
    EXPECT_EQ(OrdnerAnzeige("/a/b//"), "/a/b");

    page.resize(460, 180);
    ASSERT_TRUE(QDir().mkpath(QUARN_BINARY_DIR "/tests/screenshots"));
    EXPECT_TRUE(page.grab().save(QUARN_BINARY_DIR "/tests/screenshots/einstellungen_dateien.png"));
}

TEST_F(EinstellungenDateien, TheBrowserStartsAtTheEditAndItsChoiceIsApplied) {
    TEinstellungenDateien page(nullptr);
    const struct {
        QPushButton* button;
        QLineEdit* edit;
        QString title;
        QString start;
    } cases[] = {
        {page.EmpfangWaehlen(), page.Empfang(), "Ordner für empfangene Dateien:", Pfad(temp_ / "empfang")},
        {page.FernstWaehlen(), page.Fernst(),
         "Ordner für per Fernsteuerung lesbare Dateien:", Pfad(temp_ / "remote")},
    };
    for (const auto& c : cases) {
        QString title;
        QString start;
        WennOffen<QFileDialog>([&](QFileDialog& dialog) {
            title = dialog.labelText(QFileDialog::LookIn);
            start = dialog.directory().absolutePath();
            dialog.setDirectory(Pfad(temp_.path()));
            auto* list = dialog.findChild<QListView*>("listView");
            auto* model = dialog.findChild<QFileSystemModel*>();
            if (list != nullptr && model != nullptr) {
                list->setCurrentIndex(model->index(Pfad(temp_ / "neu")));
            }
            QMetaObject::invokeMethod(&dialog, "accept");
        });
        c.button->click();
        EXPECT_EQ(title, c.title);
        EXPECT_EQ(start, c.start);
        EXPECT_EQ(c.edit->text(), Pfad(temp_ / "neu"));
    }
    page.Apply();
    EXPECT_EQ(TOrdner().GetEmpfang(), temp_ / "neu" / "");
    EXPECT_EQ(TOrdner().GetRemote(), temp_ / "neu" / "");
}

TEST_F(EinstellungenDateien, AFolderThatDoesNotExistIsRefusedAndTheStoredOneStays) {
    TEinstellungenDateien page(nullptr);
    const QString fehlt = Pfad(temp_ / "fehlt");
    page.Empfang()->setText(fehlt);
    page.Fernst()->setText("relativ");
    std::vector<QString> meldungen;
    std::function<void(TDlgMessage&)> antworten = [&](TDlgMessage& box) {
        meldungen.push_back(box.Label()->text() + " / " + box.windowTitle());
        box.DefaultButton()->click();
        if (meldungen.size() < 2) {
            WennOffen<TDlgMessage>(antworten);
        }
    };
    WennOffen<TDlgMessage>(antworten);
    page.Apply();
    ASSERT_EQ(meldungen.size(), 2U);
    EXPECT_EQ(meldungen[0], "Der Ordner \"" + fehlt + "\" existiert nicht. / Quarn");
    EXPECT_EQ(meldungen[1], "Der Ordner \"relativ\" existiert nicht. / Quarn");
    EXPECT_EQ(TOrdner().GetEmpfang(), temp_ / "empfang" / "");
    EXPECT_EQ(TOrdner().GetRemote(), temp_ / "remote" / "");
}

TEST_F(EinstellungenDateien, UntouchedFoldersAreNotCheckedAgain) {
    // The default remote folder need not exist yet; an Apply without an edit must not complain.
    std::filesystem::remove(temp_ / "remote");
    TEinstellungenDateien page(nullptr);
    bool gefragt = false;
    QTimer wache;
    QObject::connect(&wache, &QTimer::timeout, [&] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* box = qobject_cast<TDlgMessage*>(widget); box != nullptr && box->isVisible()) {
                gefragt = true;
                box->reject();
            }
        }
    });
    wache.start(5);
    page.Apply();
    EXPECT_FALSE(gefragt);
    EXPECT_EQ(TOrdner().GetRemote(), temp_ / "remote" / "");
}

} // namespace
} // namespace quarn
