#pragma once

#include "foundation/DesignTexts.h"

#include <QDialog>
#include <string>

class QKeyEvent;
class QLabel;
class QPushButton;

namespace quarn {

// The exception report's modal dialog "Uuups...": the report in bold, a warning, and three buttons:
// go on ("Fehler &ignorieren"), end the process at once with exit code 1 ("Quarn &beenden", the
// default, also pressed by Escape) and copy the report to the clipboard (the dialog stays open).
// The child widgets carry the names Label1 to Label3 and Button1 to Button3.
class TDlgUnhandledException : public QDialog {
    Q_OBJECT
    QUARN_DESIGN_TEXTS(TDlgUnhandledException)

public:
    explicit TDlgUnhandledException(QWidget* parent = nullptr);

    // The report is the header, CR and the message; Label2 shows it on separate lines.
    void SetReport(const std::string& header, const std::string& message);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    // The report with an LF after every CR, then CR LF.
    QString ClipboardText() const;
    void CopyToClipboard();

    QLabel* label1_;
    QLabel* label2_;
    QLabel* label3_;
    QPushButton* button1_;
    QPushButton* button2_;
    QPushButton* button3_;
    QString report_;
};

} // namespace quarn
