#pragma once

#include "foundation/DesignTexts.h"

#include <QLineEdit>
#include <QString>
#include <optional>

namespace quarn {

// Which whole numbers an edit takes: 32-bit integers with an optional sign, or no sign at all.
enum class TNumberKind { Integer, Cardinal };

// An edit's text with its selection and caret, as a key finds it.
struct TEditText {
    QString text;
    int selectionStart = 0;
    int selectionLength = 0;
    int caret = 0;
};

// The text's number: sign (Integer only) and decimal digits within 32 bits, nothing else.
std::optional<int> NumberTextValue(const QString& text, TNumberKind kind);
// A text the edit may hold: empty, a lone sign (Integer only) on the way to a number, or a number.
bool AcceptableNumberText(const QString& text, TNumberKind kind);
// The text a typed character would leave; nullopt for a character the edit never takes.
std::optional<QString> ProspectiveTextForChar(const TEditText& edit, QChar typed, TNumberKind kind);
QString ProspectiveTextForBackspace(const TEditText& edit);
QString ProspectiveTextForDelete(const TEditText& edit);
// The text an insertion (paste, drop) at the caret over the selection would leave.
QString ProspectiveTextForInsert(const TEditText& edit, const QString& inserted);

// An edit for whole numbers. Every change by key, paste, cut or drop is checked on the text it would
// leave; leaving the edit shows the value again (clamped to the bounds with Validate).
class TIntegerEdit : public QLineEdit {
    Q_OBJECT
    QUARN_DESIGN_TEXTS(TIntegerEdit)

public:
    explicit TIntegerEdit(QWidget* parent = nullptr) : TIntegerEdit(TNumberKind::Integer, parent) {}

    // 0 for an empty text, the number, or MinValue for a text that is no number.
    int Value() const;
    void SetValue(int value);
    int MinValue() const { return minValue_; }
    void SetMinValue(int value);
    int MaxValue() const { return maxValue_; }
    void SetMaxValue(int value);
    bool Validate() const { return validate_; }
    void SetValidate(bool validate);
    // Kept for the settings pages; the value is shown as a plain number.
    QString FormatString() const { return formatString_; }
    void SetFormatString(const QString& format);

    TNumberKind Kind() const { return kind_; }
    TEditText EditText() const;

protected:
    TIntegerEdit(TNumberKind kind, QWidget* parent);
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void Paste();
    int Bounded(int value) const;

    TNumberKind kind_;
    int minValue_ = 0;
    int maxValue_ = 0;
    bool validate_ = false;
    QString formatString_;
};

// The integer edit without a sign: its bounds never go below 0.
class TCardinalEdit : public TIntegerEdit {
    Q_OBJECT

public:
    explicit TCardinalEdit(QWidget* parent = nullptr) : TIntegerEdit(TNumberKind::Cardinal, parent) {}
};

} // namespace quarn
