#pragma once

#include "console/ConsoleBufferU.h"
#include "console/ConsoleGeometry.h"
#include "console/ConsoleGlyphs.h"
#include "foundation/HintWindowU.h"

#include <QAbstractScrollArea>
#include <QColor>
#include <QPixmap>
#include <QPoint>
#include <QTimer>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QPainter;

namespace quarn {

class TDragTextSource;

// Where new text leaves the view: at the top, in the middle (the text on screen stays), at the bottom
// (the newest line stays in view).
enum class TScrollState { Top = 0, Middle = 1, Bottom = 2 };

// The scroll-bar requests.
enum class TScrollCode { LineUp, LineDown, PageUp, PageDown, ThumbPosition, ThumbTrack, Top, Bottom };

// The terminal view of a channel: shows a TConsoleBuffer with a 16-colour palette and a gutter of small
// images, scrolls, keeps a keyboard caret apart from the write cursor, selects with keyboard and mouse,
// copies, shows hints per cell or gutter line and drags the selected text out.
//
// It belongs to the GUI thread; writing and the hint routines assert it.
class TConsole : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit TConsole(QWidget* parent = nullptr);
    ~TConsole() override;

    // Events.
    std::function<std::string(TConsole& sender, THintType type, int col, int row)> OnHint;
    std::function<void(TConsole& sender, int line)> OnGutterClick;

    // The buffer's properties.
    int Cols() const { return buffer_.Cols(); }
    void SetCols(int cols);
    int Rows() const { return buffer_.Rows(); }
    void SetRows(int rows);
    TConsoleLineBreak LineBreak() const { return buffer_.LineBreak(); }
    void SetLineBreak(TConsoleLineBreak lineBreak) { buffer_.SetLineBreak(lineBreak); }
    bool Active() const { return buffer_.Active(); }
    void SetActive(bool active);
    const std::filesystem::path& FileName() const { return buffer_.FileName(); }
    void SetFileName(const std::filesystem::path& name) { buffer_.SetFileName(name); }
    bool VirtualMemory() const { return buffer_.VirtualMemory(); }
    void SetVirtualMemory(bool virtualMemory) { buffer_.SetVirtualMemory(virtualMemory); }

    // Show the eight German characters also from their DOS code-page codes.
    bool ShowDOS() const { return showDos_; }
    void SetShowDOS(bool show);
    bool ShowHint() const { return showHint_; }
    void SetShowHint(bool show) { showHint_ = show; }
    bool TabStop() const { return focusPolicy() != Qt::NoFocus; }
    void SetTabStop(bool tabStop);
    // The control colour behind the text.
    QColor Color() const { return color_; }
    void SetColor(const QColor& colour);

    int GutterWidth() const { return gutterWidth_; }
    void SetGutterWidth(int width);
    QColor GutterColor() const { return gutterColor_; }
    QColor GutterLineColor() const { return gutterLineColor_; }
    QColor MarkedLineColor() const { return markedLineColor_; }
    // Index 0 means no image; an index beyond the list shows none.
    void SetGutterImages(std::vector<QPixmap> images);
    const std::vector<QPixmap>& GutterImages() const { return gutterImages_; }

    // Writing (GUI thread, active buffer).
    void Write(std::string_view text) { WriteBuffer(text.data(), text.size()); }
    void WriteBuffer(const char* characters, std::size_t length);
    void SetTextAttr(std::uint8_t attr) { buffer_.SetTextAttr(attr); }
    std::uint8_t TextAttr() const { return buffer_.TextAttr(); }
    QColor GetPaletteColor(int index) const;
    void SetPaletteColor(int index, const QColor& colour);
    void Clear();
    void FillCells(int col, int row, int count, char character);
    void SetWriteCursor(int col, int row);
    int GetCursorCol() const { return buffer_.GetCursorCol(); }
    int GetCursorRow() const { return buffer_.GetCursorRow(); }
    std::uint32_t GetLineSerial() const { return buffer_.GetLineSerial(); }
    std::uint8_t* TextPtr(int col, int row) { return buffer_.TextPtr(col, row); }
    std::uint8_t* AttrPtr(int col, int row) { return buffer_.AttrPtr(col, row); }
    std::uint8_t* LineHeader(int row) { return buffer_.LineHeader(row); }
    void SetGutterImage(int index, int row);
    // Marks a row as a mailbox-list line and repaints it.
    void SetListLine(int row, bool listLine);
    TConsoleBuffer& Buffer() { return buffer_; }
    const TConsoleBuffer& Buffer() const { return buffer_; }

    // Selection and copying.
    std::string GetSelectedText() const;
    void CopyToClipboard() const;
    void ClearSelection();
    // The selection runs past the newest line.
    bool SelectionToEnd() const;
    TSelection Selection() const;
    TCellPos Anchor() const { return buffer_.Marks().anchor; }

    // Caret.
    int GetCaretRow() const { return buffer_.Marks().caretRow; }
    int GetCaretCol() const { return buffer_.Marks().caretCol; }
    void SetCaretRow(int row);
    void SetCaretCol(int col);

    // Scrolling.
    void ScrollTo(int col, int row);
    void Scroll(Qt::Orientation bar, TScrollCode code, int position = 0);
    void PageUp() { Scroll(Qt::Vertical, TScrollCode::PageUp); }
    void PageDown() { Scroll(Qt::Vertical, TScrollCode::PageDown); }
    void LineUp() { Scroll(Qt::Vertical, TScrollCode::LineUp); }
    void LineDown() { Scroll(Qt::Vertical, TScrollCode::LineDown); }
    void ScrollToTop() { ScrollTo(0, 0); }
    void ScrollToBottom() { ScrollTo(0, Rows() - 1); }

    // View state.
    const TCellMetrics& Cell() const { return glyphs_->Cell(); }
    int LeftCol() const { return leftCol_; }
    int TopRow() const { return topRow_; }
    int VisibleCols() const { return visibleCols_; }
    int VisibleRows() const { return visibleRows_; }
    TScrollState ScrollState() const { return scrollState_; }
    // The cell nearest to a point of the view (see CellAtPoint).
    TCellPos CellAt(QPoint point) const;
    // Pixel rectangle of a cell in the view.
    QRect CellRect(int col, int row) const;

    // Paints the part `clip` of the view, as the widget does; for off-screen pictures.
    void PaintView(QPainter& painter, const QRect& clip) const;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void AssertGuiThread() const;
    void MeasureFont();
    void Layout();
    void UpdateScrollBars();
    void UpdateScrollState();
    void KeepBottomInView();
    TViewOrigin Origin() const;
    void RepaintRows(int firstRow, int lastRow);
    void RepaintCaret();
    void MoveCaret(int col, int row);
    void SelectTo(TCellPos cell);
    void DropSelection();
    bool OnSelectedCell(QPoint point) const;
    void HandleNavigationKey(QKeyEvent* event);
    void HandleMouseMove(QPoint point, bool captured);
    void StartDrag();
    void ShowHintNow();
    void HideHint();
    void PaintRow(QPainter& painter, int row, int y, const QRect& clip) const;
    void PaintGutter(QPainter& painter, int y, int height) const;
    bool IsMarkedRow(int row) const;

    TConsoleBuffer buffer_;
    std::unique_ptr<TConsoleGlyphs> glyphs_;
    std::array<QColor, 16> palette_;
    QColor color_;
    QColor gutterColor_;
    QColor gutterLineColor_;
    QColor markedLineColor_;
    std::vector<QPixmap> gutterImages_;
    int gutterWidth_ = 14;
    bool showDos_ = false;
    bool showHint_ = false;

    int leftCol_ = 0;
    int topRow_ = 0;
    int visibleCols_ = 0;
    int visibleRows_ = 0;
    TScrollState scrollState_ = TScrollState::Bottom;
    bool focused_ = false;
    bool updatingScrollBars_ = false;

    // Wheel movement not yet worth a notch (touchpads send small steps).
    int wheelPending_ = 0;
    bool captured_ = false;
    std::optional<QPoint> dragCandidate_;
    // The last drag's source: a file manager may copy its scrap file well after the drop, so the file
    // stays until the next drag or the end of the console.
    std::unique_ptr<TDragTextSource> lastDrag_;
    QPoint lastMousePoint_;
    std::optional<QPoint> lastHintPoint_;
    QTimer selectRepeatTimer_;
    QTimer hintDelayTimer_;
    QTimer hintHideTimer_;
    std::unique_ptr<IHintWindow> hintWindow_;
};

} // namespace quarn
