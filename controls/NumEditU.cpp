#include "controls/NumEditU.h"

#include "foundation/DlgMessageU.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QValidator>
#include <limits>

namespace quarn {

namespace {

QString WithoutSelection(const TEditText& edit) {
    return edit.text.left(edit.selectionStart) + edit.text.mid(edit.selectionStart + edit.selectionLength);
}

// Catches what no key passes through (the context menu's paste, a drop) with the keys' own rule.
class TNumberValidator : public QValidator {
public:
    TNumberValidator(TNumberKind kind, QObject* parent) : QValidator(parent), kind_(kind) {}
    State validate(QString& input, int&) const override {
        return AcceptableNumberText(input, kind_) ? Acceptable : Invalid;
    }

private:
    TNumberKind kind_;
};

} // namespace

std::optional<int> NumberTextValue(const QString& text, TNumberKind kind) {
    qsizetype digitsFrom = 0;
    if (kind == TNumberKind::Integer && !text.isEmpty() && (text[0] == u'-' || text[0] == u'+')) {
        digitsFrom = 1;
    }
    if (digitsFrom == text.size()) {
        return std::nullopt;
    }
    long long value = 0;
    for (qsizetype i = digitsFrom; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9') {
            return std::nullopt;
        }
        value = value * 10 + (c - u'0');
        if (value > static_cast<long long>(std::numeric_limits<int>::max()) + 1) {
            return std::nullopt;
        }
    }
    if (digitsFrom == 1 && text[0] == u'-') {
        value = -value;
    }
    if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max()) {
        return std::nullopt;
    }
    return static_cast<int>(value);
}

bool AcceptableNumberText(const QString& text, TNumberKind kind) {
    if (text.isEmpty()) {
        return true;
    }
    if (kind == TNumberKind::Integer && (text == u"-" || text == u"+")) {
        return true;
    }
    return NumberTextValue(text, kind).has_value();
}

std::optional<QString> ProspectiveTextForChar(const TEditText& edit, QChar typed, TNumberKind kind) {
    const bool sign = typed == u'-' || typed == u'+';
    if (!typed.isDigit() && !(sign && kind == TNumberKind::Integer)) {
        return std::nullopt;
    }
    if (typed.isDigit() && (typed.unicode() < u'0' || typed.unicode() > u'9')) {
        return std::nullopt;
    }
    return ProspectiveTextForInsert(edit, QString(typed));
}

QString ProspectiveTextForBackspace(const TEditText& edit) {
    if (edit.selectionLength > 0) {
        return WithoutSelection(edit);
    }
    if (edit.caret <= 0) {
        return edit.text;
    }
    return edit.text.left(edit.caret - 1) + edit.text.mid(edit.caret);
}

QString ProspectiveTextForDelete(const TEditText& edit) {
    if (edit.selectionLength > 0) {
        return WithoutSelection(edit);
    }
    return edit.text.left(edit.caret) + edit.text.mid(edit.caret + 1);
}

QString ProspectiveTextForInsert(const TEditText& edit, const QString& inserted) {
    if (edit.selectionLength > 0) {
        return edit.text.left(edit.selectionStart) + inserted +
               edit.text.mid(edit.selectionStart + edit.selectionLength);
    }
    return edit.text.left(edit.caret) + inserted + edit.text.mid(edit.caret);
}

TIntegerEdit::TIntegerEdit(TNumberKind kind, QWidget* parent) : QLineEdit(parent), kind_(kind) {
    setValidator(new TNumberValidator(kind_, this));
}

TEditText TIntegerEdit::EditText() const {
    TEditText edit;
    edit.text = text();
    edit.caret = cursorPosition();
    if (hasSelectedText()) {
        edit.selectionStart = selectionStart();
        edit.selectionLength = static_cast<int>(selectedText().size());
    } else {
        edit.selectionStart = edit.caret;
    }
    return edit;
}

int TIntegerEdit::Value() const {
    if (text().isEmpty()) {
        return 0;
    }
    return NumberTextValue(text(), kind_).value_or(minValue_);
}

int TIntegerEdit::Bounded(int value) const {
    if (!validate_) {
        return value;
    }
    if (value < minValue_) {
        value = minValue_;
    }
    if (value > maxValue_) {
        value = maxValue_;
    }
    return value;
}

void TIntegerEdit::SetValue(int value) {
    setText(QString::number(Bounded(value)));
}

void TIntegerEdit::SetMinValue(int value) {
    minValue_ = kind_ == TNumberKind::Cardinal ? std::max(value, 0) : value;
}

void TIntegerEdit::SetMaxValue(int value) {
    maxValue_ = kind_ == TNumberKind::Cardinal ? std::max(value, 0) : value;
}

void TIntegerEdit::SetValidate(bool validate) {
    validate_ = validate;
    SetValue(Value());
}

void TIntegerEdit::SetFormatString(const QString& format) {
    formatString_ = format;
    SetValue(Value());
}

void TIntegerEdit::Paste() {
    const QString pasted = QApplication::clipboard()->text();
    if (pasted.isEmpty()) {
        TDlgMessage::Run(Tr("Information"), Tr("No text on the Clipboard"), mbOK, this);
        return;
    }
    if (AcceptableNumberText(ProspectiveTextForInsert(EditText(), pasted), kind_)) {
        insert(pasted);
    }
}

void TIntegerEdit::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Copy)) {
        copy();
        event->accept();
        return;
    }
    if (event->matches(QKeySequence::Paste)) {
        event->accept();
        Paste();
        return;
    }
    if (event->matches(QKeySequence::Cut)) {
        event->accept();
        if (hasSelectedText() && AcceptableNumberText(ProspectiveTextForDelete(EditText()), kind_)) {
            cut();
        }
        return;
    }
    if (event->key() == Qt::Key_Delete) {
        if (AcceptableNumberText(ProspectiveTextForDelete(EditText()), kind_)) {
            QLineEdit::keyPressEvent(event);
        } else {
            event->accept();
        }
        return;
    }
    if (event->key() == Qt::Key_Backspace) {
        if (AcceptableNumberText(ProspectiveTextForBackspace(EditText()), kind_)) {
            QLineEdit::keyPressEvent(event);
        } else {
            event->accept();
        }
        return;
    }
    const QString typed = event->text();
    const bool printable = typed.size() == 1 && typed[0].isPrint() &&
                           !(event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier));
    if (printable) {
        const std::optional<QString> prospective = ProspectiveTextForChar(EditText(), typed[0], kind_);
        if (prospective && AcceptableNumberText(*prospective, kind_)) {
            QLineEdit::keyPressEvent(event);
        } else {
            event->accept();
        }
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void TIntegerEdit::focusOutEvent(QFocusEvent* event) {
    // The value shown again first, so that whoever hears of the leaving reads the clamped number.
    SetValue(Value());
    QLineEdit::focusOutEvent(event);
}

} // namespace quarn
