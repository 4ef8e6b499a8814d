#include "controls/MemoKio.h"

#include <QKeyEvent>
#include <QMimeData>
#include <QTextCursor>

namespace quarn {

QString DigitsOf(const QString& text) {
    QString digits;
    for (const QChar c : text) {
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) {
            digits.append(c);
        }
    }
    return digits;
}

TMemoKio::TMemoKio(QWidget* parent) : QPlainTextEdit(parent) {}

void TMemoKio::SetDigitsOnly(bool digitsOnly) {
    digitsOnly_ = digitsOnly;
    if (digitsOnly_) {
        const QString text = toPlainText();
        const QString digits = DigitsOf(text);
        if (digits != text) {
            SetText(digits);
        }
    }
}

void TMemoKio::SetText(const QString& text) {
    setPlainText(text);
    moveCursor(QTextCursor::End);
}

QString TMemoKio::Admissible(const QString& text) const {
    return digitsOnly_ ? DigitsOf(text) : text;
}

void TMemoKio::keyPressEvent(QKeyEvent* event) {
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    const int key = event->key();
    if ((modifiers & Qt::ControlModifier) && !(modifiers & Qt::AltModifier) && key >= Qt::Key_A &&
        key <= Qt::Key_Z) {
        const QChar letter(static_cast<char16_t>(key));
        if (modifiers & Qt::ShiftModifier) {
            // The escape the connection's text sending turns into the control code; never the code itself.
            insertPlainText(Admissible(QStringLiteral("^") + letter));
        } else if (key == Qt::Key_A || key == Qt::Key_C || key == Qt::Key_V || key == Qt::Key_X) {
            QPlainTextEdit::keyPressEvent(event);
            return;
        }
        event->accept();
        return;
    }
    const QString text = event->text();
    if (digitsOnly_ && !text.isEmpty() && key != Qt::Key_Backspace && key != Qt::Key_Delete &&
        DigitsOf(text) != text) {
        event->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

bool TMemoKio::canInsertFromMimeData(const QMimeData* source) const {
    if (digitsOnly_) {
        return source->hasText() && !DigitsOf(source->text()).isEmpty();
    }
    return QPlainTextEdit::canInsertFromMimeData(source);
}

void TMemoKio::insertFromMimeData(const QMimeData* source) {
    // Pasted and dropped text obeys the same rule as typed text.
    if (!digitsOnly_) {
        QPlainTextEdit::insertFromMimeData(source);
        return;
    }
    if (source->hasText()) {
        insertPlainText(DigitsOf(source->text()));
    }
}

} // namespace quarn
