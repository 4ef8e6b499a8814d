// Errors while the main window runs: an exception out of an event handler is the main window's report,
// and ending the program from the report keeps the station changes made just before.
#include "foundation/DlgUnhandledException.h"
#include "foundation/UnhandledExceptionU.h"
#include "stations/StationenDatenbankU.h"
#include "ui/Hauptfenster.h"

#include <QApplication>
#include <QEvent>
#include <QPushButton>
#include <filesystem>
#include <gtest/gtest.h>
#include <stdexcept>
#include <string>
#include <vector>

namespace quarn {
namespace {

const std::filesystem::path kFontFile = QUARN_BINARY_DIR "/bin/quarn.fon";

// Death tests run first, while this program has no threads of its own yet: the child is a fork, so it
// writes into the same folders the parent then looks at.
TEST(HauptfensterFehlerDeathTest, QuittingFromTheReportKeepsTheStationChangedJustBefore) {
    GTEST_FLAG_SET(death_test_style, "fast");
    EXPECT_EXIT(
        {
            const THauptfenster window(kFontFile);
            StationenDatenbank()->CreateEintrag("DL9QRN")->SetName("Gerade geändert");
            TDlgUnhandledException dialog;
            dialog.SetReport("E in A.B", "kaputt");
            dialog.findChild<QPushButton*>("Button2")->click();
        },
        ::testing::ExitedWithCode(1), "");
    const TStationenDatenbank datenbank(false);
    const auto station = StationenDatenbank()->GetEintrag("DL9QRN");
    ASSERT_NE(station, nullptr) << "the change did not reach the file";
    EXPECT_EQ(station->GetName(), "Gerade geändert");
}

class Werfer : public QWidget {
protected:
    bool event(QEvent* event) override {
        if (event->type() == QEvent::User) {
            throw std::runtime_error("Handler kaputt");
        }
        return QWidget::event(event);
    }
};

TEST(HauptfensterFehler, AnExceptionOutOfAnEventHandlerIsTheMainWindowsReport) {
    std::vector<std::string> headers;
    const TReportPresenter previous =
        SetReportPresenter([&](const std::string& header, const std::string&) { headers.push_back(header); });
    Werfer werfer;
    {
        const THauptfenster window(kFontFile);
        QEvent event(QEvent::User);
        QCoreApplication::sendEvent(&werfer, &event);
    }
    QEvent event(QEvent::User);
    QCoreApplication::sendEvent(&werfer, &event);
    SetReportPresenter(previous);
    EXPECT_EQ(headers, (std::vector<std::string>{"std::runtime_error in THauptfenster.ApplicationException",
                                                 "std::runtime_error in TQuarnApplication.notify"}));
}

} // namespace
} // namespace quarn
