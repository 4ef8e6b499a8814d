#include "controls/ComboBoxKio.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScopedValueRollback>
#include <QScrollBar>

namespace quarn {

QString CompletionFrom(const QStringList& entries, const QString& typed) {
    if (typed.isEmpty()) {
        return {};
    }
    for (const QString& entry : entries) {
        if (entry.size() >= typed.size() &&
            QString::localeAwareCompare(entry.left(typed.size()).toUpper(), typed.toUpper()) == 0) {
            return entry.mid(typed.size());
        }
    }
    return {};
}

TComboBoxKio::TComboBoxKio(QWidget* parent) : QComboBox(parent) {
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    // Completion is ours; Qt's own would fight it over the selection.
    setCompleter(nullptr);
    connect(lineEdit(), &QLineEdit::textEdited, this, [this](const QString& text) { Edited(text); });
    view()->installEventFilter(this);
}

void TComboBoxKio::keyPressEvent(QKeyEvent* event) {
    lastKey_ = event->key();
    QComboBox::keyPressEvent(event);
}

void TComboBoxKio::Edited(const QString& text) {
    if (editing_) {
        return;
    }
    QLineEdit* edit = lineEdit();
    int caret = edit->cursorPosition();
    QString typed = text;
    const QScopedValueRollback guard(editing_, true);
    if (upperCase_ && typed != typed.toUpper()) {
        typed = typed.toUpper();
        edit->setText(typed);
        edit->setCursorPosition(caret);
    }
    if (!complete_ || lastKey_ == Qt::Key_Delete || lastKey_ == Qt::Key_Backspace || caret != typed.size()) {
        return;
    }
    bool handled = false;
    QString completion;
    if (OnComplete) {
        OnComplete(*this, typed, handled, completion);
    }
    if (!handled) {
        QStringList entries;
        for (int i = 0; i < count(); ++i) {
            entries.append(itemText(i));
        }
        completion = CompletionFrom(entries, typed);
    }
    if (completion.isEmpty()) {
        return;
    }
    edit->setText(typed + completion);
    edit->setSelection(typed.size(), completion.size());
}

bool TComboBoxKio::eventFilter(QObject* watched, QEvent* event) {
    if (watched == view() && event->type() == QEvent::KeyPress) {
        return ListKey(static_cast<QKeyEvent*>(event));
    }
    return QComboBox::eventFilter(watched, event);
}

bool TComboBoxKio::ListKey(QKeyEvent* event) {
    const int key = event->key();
    lastKey_ = key;
    if (key == Qt::Key_Delete) {
        DeleteListEntry();
        return true;
    }
    if (key == Qt::Key_Tab || key == Qt::Key_Backtab) {
        hidePopup();
        focusNextPrevChild(key == Qt::Key_Tab && !(event->modifiers() & Qt::ShiftModifier));
        return true;
    }
    const QString text = event->text();
    if (!text.isEmpty() && text.at(0).isLetterOrNumber()) {
        // Typing goes on in the edit field with the list closed.
        hidePopup();
        QKeyEvent copy(event->type(), key, event->modifiers(), text);
        QApplication::sendEvent(this, &copy);
        return true;
    }
    return false;
}

void TComboBoxKio::DeleteListEntry() {
    QAbstractItemView* list = view();
    const int row = list->currentIndex().row();
    if (row < 0 || row >= count()) {
        return;
    }
    const int top = list->verticalScrollBar()->value();
    const QString text = currentText();
    removeItem(row);
    if (count() > 0) {
        list->setCurrentIndex(model()->index(std::min(row, count() - 1), modelColumn()));
    }
    list->verticalScrollBar()->setValue(top);
    // The edit keeps what was typed; only the list lost an entry.
    setEditText(text);
}

} // namespace quarn
