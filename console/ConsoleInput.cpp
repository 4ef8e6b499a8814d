// Keyboard, mouse, wheel, focus and hints of the console view.
#include "console/ConsoleU.h"

#include "console/DragSource.h"
#include "platform/Codepage.h"

#include <QApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

namespace quarn {

namespace {

constexpr int kDragDistance = 8;
constexpr int kHintMoveDistance = 4;
constexpr int kSelectScrollRows = 3;
constexpr int kHintMaxWidth = 600;
constexpr int kWheelNotch = 120;

bool OnlyCtrl(Qt::KeyboardModifiers modifiers) {
    return (modifiers & (Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier)) == Qt::ControlModifier;
}

} // namespace

bool TConsole::event(QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Tab && key->modifiers() == Qt::NoModifier) {
            focusNextPrevChild(false);
            return true;
        }
        if (key->key() == Qt::Key_Backtab) {
            // Shift+Tab is a navigation key of the console, not of the form.
            keyPressEvent(key);
            return true;
        }
    }
    return QAbstractScrollArea::event(event);
}

void TConsole::keyPressEvent(QKeyEvent* event) {
    if (!Active()) {
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    if ((event->key() == Qt::Key_Insert || event->key() == Qt::Key_C) && OnlyCtrl(modifiers)) {
        CopyToClipboard();
        return;
    }
    switch (event->key()) {
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_End:
    case Qt::Key_Home:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
        HandleNavigationKey(event);
        return;
    default:
        // Characters (a Tab among them) are swallowed: the console takes no input.
        event->accept();
        return;
    }
}

void TConsole::HandleNavigationKey(QKeyEvent* event) {
    const bool ctrl = (event->modifiers() & Qt::ControlModifier) != 0;
    int col = GetCaretCol();
    int row = std::clamp(GetCaretRow() < 0 ? topRow_ : GetCaretRow(), 0, Rows() - 1);
    const int lastVisible = std::min(Rows() - 1, topRow_ + std::max(1, visibleRows_) - 1);
    bool vertical = false;
    switch (event->key()) {
    case Qt::Key_PageUp:
        if (ctrl) {
            LineUp();
            row = std::clamp(row, topRow_, std::min(Rows() - 1, topRow_ + std::max(1, visibleRows_) - 1));
        } else {
            row = std::max(0, row - visibleRows_);
            if (row < topRow_) {
                PageUp();
            }
        }
        vertical = true;
        break;
    case Qt::Key_PageDown:
        if (ctrl) {
            LineDown();
            row = std::clamp(row, topRow_, std::min(Rows() - 1, topRow_ + std::max(1, visibleRows_) - 1));
        } else {
            row = std::min(Rows() - 1, row + visibleRows_);
            if (row > lastVisible) {
                PageDown();
            }
        }
        vertical = true;
        break;
    case Qt::Key_End:
        if (ctrl) {
            col = GetCursorCol();
            row = GetCursorRow();
            ScrollToBottom();
        } else {
            col = buffer_.UsedLength(row);
        }
        break;
    case Qt::Key_Home:
        if (ctrl) {
            col = 0;
            row = 0;
            ScrollToTop();
        } else {
            col = 0;
        }
        break;
    case Qt::Key_Left:
        col = std::max(0, col - 1);
        break;
    case Qt::Key_Right:
        col = std::min(Cols(), col + 1);
        break;
    case Qt::Key_Up:
        row = std::max(0, row - 1);
        if (row < topRow_) {
            LineUp();
        }
        vertical = true;
        break;
    case Qt::Key_Down:
        row = std::min(Rows() - 1, row + 1);
        if (row > lastVisible) {
            LineDown();
        }
        vertical = true;
        break;
    default:
        return;
    }
    if (vertical) {
        col = std::min(col, buffer_.UsedLength(row));
    }
    MoveCaret(col, row);
    if (event->modifiers() & Qt::ShiftModifier) {
        SelectTo({col, row});
    } else {
        buffer_.Marks().anchor = {col, row};
        DropSelection();
    }
    RepaintCaret();
}

void TConsole::SelectTo(TCellPos cell) {
    const TSelection old = Selection();
    const TSelection selection = SelectRange(buffer_.Marks().anchor, cell, Cols(), Rows());
    if (buffer_.Marks().anchor.IsNone()) {
        return;
    }
    buffer_.Marks().selStart = selection.start;
    buffer_.Marks().selEnd = selection.end;
    // Only the rows whose selected cells changed are painted again.
    const int top =
        std::min(old.IsNone() ? Rows() : old.start.row, selection.IsNone() ? Rows() : selection.start.row);
    const int bottom = std::max(old.IsNone() ? -1 : old.end.row, selection.IsNone() ? -1 : selection.end.row);
    for (int row = std::max(0, top); row <= std::min(bottom, Rows() - 1); ++row) {
        const bool wasSelected = old.ContainsRow(row);
        const bool isSelected = selection.ContainsRow(row);
        const bool edge = row == old.start.row || row == old.end.row || row == selection.start.row ||
                          row == selection.end.row;
        if (wasSelected != isSelected || edge) {
            RepaintRows(row, row);
        }
    }
}

bool TConsole::OnSelectedCell(QPoint point) const {
    const TCellPos cell = CellUnderPoint(point, Cell(), Origin());
    return !cell.IsNone() && Selection().Contains(cell.col, cell.row);
}

void TConsole::mousePressEvent(QMouseEvent* event) {
    if (TabStop() && !hasFocus()) {
        setFocus(Qt::MouseFocusReason);
    }
    if (!Active()) {
        return;
    }
    const QPoint point = event->position().toPoint();
    const TCellPos cell = CellAt(point);
    const int caretRow = std::min(cell.row, Rows() - 1);
    const bool inGutter = point.x() < gutterWidth_;
    if (inGutter) {
        if (event->button() != Qt::LeftButton && event->button() != Qt::RightButton) {
            return;
        }
        if (Selection().ContainsRow(caretRow)) {
            return;
        }
        DropSelection();
        MoveCaret(0, caretRow);
        RepaintCaret();
        return;
    }
    if (event->button() == Qt::LeftButton) {
        captured_ = true;
        dragCandidate_.reset();
        if (OnSelectedCell(point)) {
            viewport()->setCursor(Qt::ArrowCursor);
            dragCandidate_ = point;
            return;
        }
        buffer_.Marks().anchor = {cell.col, caretRow};
        DropSelection();
        MoveCaret(cell.col, caretRow);
        RepaintCaret();
        return;
    }
    if (event->button() == Qt::RightButton) {
        if (OnSelectedCell(point)) {
            // The selection stays for the context menu.
            viewport()->setCursor(Qt::ArrowCursor);
            return;
        }
        DropSelection();
        MoveCaret(cell.col, caretRow);
        RepaintCaret();
    }
}

void TConsole::mouseMoveEvent(QMouseEvent* event) {
    HandleMouseMove(event->position().toPoint(), captured_);
}

void TConsole::HandleMouseMove(QPoint point, bool captured) {
    lastMousePoint_ = point;
    selectRepeatTimer_.stop();
    hintDelayTimer_.stop();
    if (!lastHintPoint_ || std::abs(point.x() - lastHintPoint_->x()) >= kHintMoveDistance ||
        std::abs(point.y() - lastHintPoint_->y()) >= kHintMoveDistance) {
        HideHint();
        if (showHint_) {
            hintDelayTimer_.start();
        }
    }
    if (!Active()) {
        return;
    }
    if (captured && !dragCandidate_) {
        const TCellPos cell = CellAt(point);
        MoveCaret(cell.col, std::min(cell.row, Rows() - 1));
        SelectTo(cell);
        if (cell.row < topRow_) {
            ScrollTo(leftCol_, topRow_ - kSelectScrollRows);
        } else if (cell.row >= topRow_ + visibleRows_) {
            ScrollTo(leftCol_, topRow_ + kSelectScrollRows);
        }
        RepaintCaret();
        selectRepeatTimer_.start();
        return;
    }
    if (captured && dragCandidate_) {
        if (std::abs(point.x() - dragCandidate_->x()) < kDragDistance &&
            std::abs(point.y() - dragCandidate_->y()) < kDragDistance) {
            viewport()->setCursor(Qt::ArrowCursor);
            return;
        }
        dragCandidate_.reset();
        StartDrag();
        return;
    }
    const bool arrow = point.x() < gutterWidth_ || OnSelectedCell(point);
    viewport()->setCursor(arrow ? Qt::ArrowCursor : Qt::IBeamCursor);
}

void TConsole::StartDrag() {
    lastDrag_ = std::make_unique<TDragTextSource>();
    lastDrag_->SetText(GetSelectedText());
    lastDrag_->SetDragtypes(dtCopy | dtMove | dtLink);
    lastDrag_->Execute(this);
    // The drag loop took the mouse; its release is not seen here.
    captured_ = false;
    viewport()->setCursor(Qt::IBeamCursor);
}

void TConsole::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return;
    }
    const bool wasCaptured = captured_;
    captured_ = false;
    selectRepeatTimer_.stop();
    if (dragCandidate_) {
        // A click on the selection without dragging.
        DropSelection();
        buffer_.Marks().anchor = {};
    }
    dragCandidate_.reset();
    viewport()->setCursor(Qt::IBeamCursor);
    const QPoint point = event->position().toPoint();
    if (Active() && point.x() < gutterWidth_ && !wasCaptured && OnGutterClick) {
        OnGutterClick(*this, std::min(CellAt(point).row, Rows() - 1));
    }
}

void TConsole::wheelEvent(QWheelEvent* event) {
    if (event->angleDelta().y() == 0) {
        event->ignore();
        return;
    }
    event->accept();
    // A notch of a mouse wheel is 120; smaller steps are added up until they make one.
    wheelPending_ += event->angleDelta().y();
    if (std::abs(wheelPending_) < kWheelNotch) {
        return;
    }
    const int delta = wheelPending_;
    wheelPending_ = 0;
    const int rows = static_cast<int>(std::lround(static_cast<double>(delta) / Cell().height));
    const int step = static_cast<int>(std::lround(rows / 3.0));
    for (int i = 0; i < 3; ++i) {
        ScrollTo(0, topRow_ - step);
    }
}

void TConsole::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    if (QCoreApplication::closingDown() || !TabStop()) {
        return;
    }
    focused_ = true;
    if (!Active()) {
        return;
    }
    TConsoleMarks& marks = buffer_.Marks();
    const int lastVisible = std::min(Rows() - 1, topRow_ + std::max(1, visibleRows_) - 1);
    if (marks.caretRow < 0 || marks.caretRow > lastVisible) {
        marks.caretRow = lastVisible;
    } else if (marks.caretRow < topRow_) {
        marks.caretRow = topRow_;
    }
    if (marks.anchor.IsNone()) {
        marks.anchor = {marks.caretCol, marks.caretRow};
    }
    RepaintRows(marks.caretRow, marks.caretRow);
    viewport()->update();
}

void TConsole::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    focused_ = false;
    viewport()->update();
}

void TConsole::hideEvent(QHideEvent* event) {
    QAbstractScrollArea::hideEvent(event);
    lastHintPoint_ = viewport()->mapFromGlobal(QCursor::pos());
    HideHint();
}

void TConsole::leaveEvent(QEvent* event) {
    QAbstractScrollArea::leaveEvent(event);
    hintDelayTimer_.stop();
}

void TConsole::ShowHintNow() {
    AssertGuiThread();
    HideHint();
    if (!Active() || !showHint_ || !OnHint) {
        return;
    }
    const QPoint global = QCursor::pos();
    const QPoint point = viewport()->mapFromGlobal(global);
    if (!viewport()->rect().contains(point) || QApplication::widgetAt(global) != viewport()) {
        return;
    }
    lastHintPoint_ = point;
    const THintTarget target = HintTargetAt(point, Cell(), Origin());
    const std::string text = OnHint(*this, target.type, target.col, target.row);
    if (text.empty()) {
        return;
    }
    const int cursorHeight = QCursor(Qt::ArrowCursor).pixmap().height();
    if (!hintWindow_) {
        hintWindow_ = CreateHintWindow();
    }
    hintWindow_->ActivateHint(global + QPoint(0, cursorHeight > 0 ? cursorHeight : 16), Cp1252ToQString(text),
                              kHintMaxWidth);
    hintHideTimer_.start();
}

void TConsole::HideHint() {
    hintHideTimer_.stop();
    if (hintWindow_) {
        hintWindow_->ReleaseHint();
    }
}

} // namespace quarn
