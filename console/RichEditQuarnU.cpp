#include "console/RichEditQuarnU.h"

#include "console/DragSource.h"
#include "platform/Codepage.h"
#include "platform/Exception.h"

#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QScrollBar>
#include <QTextBlock>
#include <QThread>
#include <QUrl>
#include <algorithm>

namespace quarn {
namespace {

constexpr const char* kUnit = "RicheditQuarnU";

bool IsTab(const QKeyEvent& key) {
    return key.key() == Qt::Key_Tab || key.key() == Qt::Key_Backtab;
}

// What the operator may paste or drop: its plain text only, as it will go out on the air. Characters
// Windows-1252 lacks become "?" now rather than silently when the line is sent, and NUL characters,
// which would cut the line short, are dropped.
QString AsSendableText(const QString& text) {
    QString cleaned = text;
    cleaned.remove(QChar(0));
    return Cp1252ToQString(QStringToCp1252(cleaned));
}

// A drag from a file manager: at least one local file, and not the program's own text drag, which offers
// its text as a file as well.
bool IsDateiListe(const QMimeData* data) {
    if (data == nullptr || !data->hasUrls() || IsOwnDrag(*data)) {
        return false;
    }
    const QList<QUrl> urls = data->urls();
    return std::any_of(urls.begin(), urls.end(), [](const QUrl& url) { return url.isLocalFile(); });
}

} // namespace

TRichEditQuarn::TRichEditQuarn(QWidget* parent) : QTextEdit(parent) {
    setAcceptRichText(false);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setTabChangesFocus(false);
    SetNewTextFormat();
}

void TRichEditQuarn::SetNewTextFormat() {
    QTextCharFormat format = currentCharFormat();
    format.setForeground(colorNewText_);
    setCurrentCharFormat(format);
}

void TRichEditQuarn::SetColorNewText(const QColor& colour) {
    QUARN_ASSERT(QThread::currentThread() == thread(), kUnit);
    colorNewText_ = colour;
    QTextCursor cursor(document());
    cursor.select(QTextCursor::Document);
    QTextCharFormat format;
    format.setForeground(colour);
    cursor.mergeCharFormat(format);
    cursor.movePosition(QTextCursor::End);
    setTextCursor(cursor);
    SetNewTextFormat();
}

void TRichEditQuarn::SetColorSentText(const QColor& colour) {
    colorSentText_ = colour;
}

int TRichEditQuarn::LineStart() const {
    return textCursor().block().position();
}

int TRichEditQuarn::LineEnd() const {
    const QTextBlock block = textCursor().block();
    return block.position() + block.length() - 1;
}

std::string TRichEditQuarn::GetTextRange(int from, int to) const {
    const int last = document()->characterCount() - 1; // without the final paragraph separator
    from = std::clamp(from, 0, last);
    to = std::clamp(to, 0, last);
    if (from >= to) {
        return {};
    }
    QTextCursor cursor(document());
    cursor.setPosition(from);
    cursor.setPosition(to, QTextCursor::KeepAnchor);
    QString text = cursor.selectedText();
    text.replace(QChar::ParagraphSeparator, QStringLiteral("\r\n"));
    return QStringToCp1252(text);
}

void TRichEditQuarn::ShowSelection(bool visible) {
    QPalette colours = palette();
    const QPalette standard = QPalette();
    for (const auto group : {QPalette::Active, QPalette::Inactive}) {
        colours.setColor(group, QPalette::Highlight,
                         visible ? standard.color(group, QPalette::Highlight)
                                 : colours.color(group, QPalette::Base));
        colours.setColor(group, QPalette::HighlightedText,
                         visible ? standard.color(group, QPalette::HighlightedText)
                                 : colours.color(group, QPalette::Text));
    }
    setPalette(colours);
}

bool TRichEditQuarn::event(QEvent* event) {
    // Tab and Shift+Tab are taken here, before the widget's own focus handling sees them.
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (IsTab(*key)) {
            if (key->key() == Qt::Key_Backtab || (key->modifiers() & Qt::ShiftModifier)) {
                QWidget::focusNextPrevChild(false);
            }
            return true;
        }
    }
    return QTextEdit::event(event);
}

void TRichEditQuarn::keyPressEvent(QKeyEvent* event) {
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    const bool ctrl = modifiers & Qt::ControlModifier;
    const bool shift = modifiers & Qt::ShiftModifier;
    const bool alt = modifiers & Qt::AltModifier;
    const int key = event->key();

    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        if (!ctrl || shift) {
            SendCaretLine(!ctrl);
        }
        return;
    }
    if (key == Qt::Key_Down && !textCursor().block().next().isValid()) {
        AppendEmptyLine();
        return;
    }
    if (key >= Qt::Key_A && key <= Qt::Key_Z && ctrl && !alt) {
        const QChar letter(static_cast<char16_t>('A' + (key - Qt::Key_A)));
        if (shift) {
            textCursor().insertText(QString('^') + letter);
            return;
        }
        if (letter == 'A' || letter == 'C' || letter == 'V' || letter == 'X') {
            QTextEdit::keyPressEvent(event);
        }
        return; // every other Ctrl+letter is used up
    }
    const QString text = event->text();
    if (text == QStringLiteral("\t") || text == QStringLiteral("\r") || text == QStringLiteral("\x1a")) {
        return;
    }
    QTextEdit::keyPressEvent(event);
}

void TRichEditQuarn::SendCaretLine(bool appendCr) {
    ShowSelection(false);
    const QTextBlock block = textCursor().block();
    const QString line = block.text();

    QTextCursor cursor(block);
    cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    QTextCharFormat sent;
    sent.setForeground(colorSentText_);
    cursor.mergeCharFormat(sent);

    // An earlier line is sent again as it stands: the caret goes to the start of the next line. After the
    // last line a new empty one follows.
    if (block.next().isValid()) {
        cursor.setPosition(block.next().position());
    } else {
        InsertEmptyLineAtEnd(cursor);
    }
    setTextCursor(cursor);
    SetNewTextFormat();
    ShowSelection(true);

    if (OnSendText) {
        std::string text = QStringToCp1252(line);
        if (appendCr) {
            text += '\r';
        }
        OnSendText(*this, text);
    }
    ensureCursorVisible();
}

void TRichEditQuarn::InsertEmptyLineAtEnd(QTextCursor& cursor) const {
    cursor.movePosition(QTextCursor::End);
    QTextCharFormat fresh;
    fresh.setForeground(colorNewText_);
    cursor.insertBlock(cursor.blockFormat(), fresh);
}

void TRichEditQuarn::AppendEmptyLine() {
    QTextCursor cursor(document());
    InsertEmptyLineAtEnd(cursor);
    setTextCursor(cursor);
    SetNewTextFormat();
    ensureCursorVisible();
}

void TRichEditQuarn::contextMenuEvent(QContextMenuEvent* event) {
    event->accept();
    if (inContextMenu_) {
        return; // a menu is already up
    }
    inContextMenu_ = true;
    struct ClearFlag {
        bool& flag;
        ~ClearFlag() { flag = false; }
    } clear{inContextMenu_};
    bool handled = false;
    if (OnContextPopup) {
        OnContextPopup(*this, event->pos(), handled);
    }
}

bool TRichEditQuarn::canInsertFromMimeData(const QMimeData* source) const {
    return source != nullptr && source->hasText();
}

void TRichEditQuarn::insertFromMimeData(const QMimeData* source) {
    if (!canInsertFromMimeData(source)) {
        return;
    }
    QTextCharFormat fresh;
    fresh.setForeground(colorNewText_);
    QTextCursor cursor = textCursor();
    cursor.insertText(AsSendableText(source->text()), fresh);
    setTextCursor(cursor);
    ensureCursorVisible();
}

void TRichEditQuarn::dragEnterEvent(QDragEnterEvent* event) {
    if (IsDateiListe(event->mimeData())) {
        // Refused here, Qt offers the drag to the enclosing widgets: the window's drop target takes it,
        // and the rest of the drag goes there.
        event->ignore();
        return;
    }
    QTextEdit::dragEnterEvent(event);
}

} // namespace quarn
