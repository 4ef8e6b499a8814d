#pragma once

#include "foundation/DesignTexts.h"

#include <QDialog>
#include <cstdint>
#include <vector>

class QKeyEvent;
class QLabel;
class QPushButton;
class QWidget;

namespace quarn {

// Button set of the message box: one bit per button, shown in this order.
constexpr std::uint32_t mbYes = 0x001;
constexpr std::uint32_t mbNo = 0x002;
constexpr std::uint32_t mbOK = 0x004;
constexpr std::uint32_t mbCancel = 0x008;
constexpr std::uint32_t mbAbort = 0x010;
constexpr std::uint32_t mbRetry = 0x020;
constexpr std::uint32_t mbIgnore = 0x040;
constexpr std::uint32_t mbAll = 0x080;
constexpr std::uint32_t mbHelp = 0x100;
// Not a button: with mbNo shown, "Nein" is the default, for questions whose "Ja" loses something.
constexpr std::uint32_t mbDefaultNo = 0x10000;

// Modal results.
constexpr int mrNone = 0;
constexpr int mrOk = 1;
constexpr int mrCancel = 2;
constexpr int mrAbort = 3;
constexpr int mrRetry = 4;
constexpr int mrIgnore = 5;
constexpr int mrYes = 6;
constexpr int mrNo = 7;
constexpr int mrAll = 8;

// The one modal message box: caption, text and a row of buttons chosen by bits. Enter presses the
// default button (No when asked by mbDefaultNo, else OK, else Yes, else Retry; else the first button shown
// that closes the box), Escape the
// cancel button (Cancel, else No, else OK, else Abort); with none of those shown Escape does nothing.
// The close button of the frame gives mrCancel. "Hilfe" does not close the box.
class TDlgMessage : public QDialog {
    Q_OBJECT
    QUARN_DESIGN_TEXTS(TDlgMessage)

public:
    TDlgMessage(const QString& caption, const QString& text, std::uint32_t buttons, QWidget* owner = nullptr);

    // Shows the box modally (centred on the owner, else on the active window) and returns the result.
    static int Run(const QString& caption, const QString& text, std::uint32_t buttons,
                   QWidget* owner = nullptr);

    // The buttons in the order shown.
    const std::vector<QPushButton*>& Buttons() const { return buttons_; }
    QPushButton* DefaultButton() const { return defaultButton_; }
    QPushButton* CancelButton() const { return cancelButton_; }
    const QLabel* Label() const { return label_; }

    void reject() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QPushButton* ShownButton(std::uint32_t bit) const;
    void Arrange();

    QWidget* panel1_ = nullptr;
    QWidget* panel2_ = nullptr;
    QLabel* label_ = nullptr;
    std::vector<QPushButton*> buttons_;
    std::vector<std::uint32_t> bits_;
    QPushButton* defaultButton_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
};

// Tells the operator of a failure that ends the program: on standard error always, and in the message
// box (OK) unless the platform has no screen anyone could answer it on.
void MeldenVorDemEnde(const QString& caption, const QString& text, QWidget* owner = nullptr);

} // namespace quarn
