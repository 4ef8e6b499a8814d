#pragma once

#include <QColor>
#include <QPoint>
#include <QTextEdit>
#include <functional>
#include <string>

namespace quarn {

// The input editor of a channel: plain text in which the operator types. Enter hands the line under the
// caret to the channel (`OnSendText`) and colours it as sent, so the editor keeps a visible history of
// what went out, from which an earlier line can be sent again. Text is handed on as Windows-1252 bytes.
// GUI thread only.
class TRichEditQuarn : public QTextEdit {
    Q_OBJECT

public:
    // The line's text; Enter adds a CR, Ctrl+Shift+Enter hands it as it stands.
    using TSendTextEvent = std::function<void(TRichEditQuarn& sender, const std::string& text)>;
    // Asked for a context menu, with the mouse position in client coordinates; the handler shows the
    // channel's menu. The editor never shows a menu of its own.
    using TContextPopupEvent =
        std::function<void(TRichEditQuarn& sender, const QPoint& mousePos, bool& handled)>;

    explicit TRichEditQuarn(QWidget* parent = nullptr);

    TSendTextEvent OnSendText;
    TContextPopupEvent OnContextPopup;

    const QColor& ColorNewText() const { return colorNewText_; }
    // Stores the colour and gives it to the whole text; the caret goes to the end, nothing selected.
    void SetColorNewText(const QColor& colour);
    const QColor& ColorSentText() const { return colorSentText_; }
    // Applies to lines sent from now on.
    void SetColorSentText(const QColor& colour);

    // Positions of the first character of the caret's line and of the end of that line.
    int LineStart() const;
    int LineEnd() const;
    // The text between two positions as Windows-1252, lines separated by CR LF.
    std::string GetTextRange(int from, int to) const;
    void ShowSelection(bool visible);

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool canInsertFromMimeData(const QMimeData* source) const override;
    void insertFromMimeData(const QMimeData* source) override;
    // Text dropped here is the editor's; a list of files goes on to the window's drop target.
    void dragEnterEvent(QDragEnterEvent* event) override;

private:
    void SendCaretLine(bool appendCr);
    void InsertEmptyLineAtEnd(QTextCursor& cursor) const;
    void AppendEmptyLine();
    void SetNewTextFormat();

    QColor colorNewText_{Qt::black};
    QColor colorSentText_{0xC0, 0, 0};
    bool inContextMenu_ = false;
};

} // namespace quarn
