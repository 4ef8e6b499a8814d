#pragma once

#include <QPlainTextEdit>

namespace quarn {

// A memo that can hold digits only, and that takes Ctrl+Shift+letter as the control-code escape "^"
// plus the letter; of the other Ctrl+letter keys only select-all, copy, paste and cut pass.
class TMemoKio : public QPlainTextEdit {
public:
    explicit TMemoKio(QWidget* parent = nullptr);

    bool DigitsOnly() const { return digitsOnly_; }
    // Switching it on drops every non-digit of the text.
    void SetDigitsOnly(bool digitsOnly);
    // Sets the text with the caret at its end.
    void SetText(const QString& text);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void insertFromMimeData(const QMimeData* source) override;
    bool canInsertFromMimeData(const QMimeData* source) const override;

private:
    QString Admissible(const QString& text) const;

    bool digitsOnly_ = false;
};

// The digits of `text`, in their order.
QString DigitsOf(const QString& text);

} // namespace quarn
