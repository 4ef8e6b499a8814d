#include "console/ConsoleU.h"

#include "console/DragSource.h"
#include "foundation/ConfigU.h"
#include "foundation/SynchronizeU.h"
#include "platform/Exception.h"
#include "platform/FontFile.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <algorithm>
#include <cmath>

namespace quarn {

namespace {

constexpr const char* kUnit = "ConsoleU";

constexpr std::array<QRgb, 16> kDefaultPalette = {
    qRgb(127, 0, 0), qRgb(159, 0, 0), qRgb(191, 0, 0),   qRgb(223, 0, 0),  qRgb(255, 0, 0), qRgb(0, 127, 0),
    qRgb(0, 159, 0), qRgb(0, 191, 0), qRgb(0, 111, 111), qRgb(95, 95, 95), qRgb(0, 0, 127), qRgb(0, 0, 159),
    qRgb(0, 0, 191), qRgb(0, 0, 223), qRgb(0, 0, 255),   qRgb(0, 0, 0)};

QColor Mix(const QColor& a, double weightA, const QColor& b) {
    const double weightB = 1.0 - weightA;
    return QColor(static_cast<int>(std::lround(a.red() * weightA + b.red() * weightB)),
                  static_cast<int>(std::lround(a.green() * weightA + b.green() * weightB)),
                  static_cast<int>(std::lround(a.blue() * weightA + b.blue() * weightB)));
}

// The configured terminal face; a stand-in fixed-pitch font is used by Qt until the faces are loaded.
QFont ConfiguredTerminalFont() {
    const TConfig* config = Config();
    return TerminalFont(config != nullptr ? config->GetFont() : std::string("08x12"));
}

} // namespace

TConsole::TConsole(QWidget* parent) : QAbstractScrollArea(parent) {
    buffer_.SetThreadCheck([] { return IsGuiThread(); });
    for (std::size_t i = 0; i < palette_.size(); ++i) {
        palette_[i] = QColor(kDefaultPalette[i]);
    }
    color_ = palette().color(QPalette::Base);
    const QPalette& system = QApplication::palette();
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr || screen->depth() >= 16) {
        const QColor face = system.color(QPalette::Button);
        gutterLineColor_ = Mix(system.color(QPalette::Dark), 0.6, face);
        gutterColor_ = Mix(system.color(QPalette::Light), 0.8, face);
        markedLineColor_ = Mix(system.color(QPalette::Light), 0.4, face);
    } else {
        gutterLineColor_ = system.color(QPalette::Shadow);
        gutterColor_ = system.color(QPalette::Midlight);
        markedLineColor_ = QColor(216, 216, 216);
    }
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setMouseTracking(true);
    viewport()->setCursor(Qt::IBeamCursor);
    setFont(ConfiguredTerminalFont());
    MeasureFont();

    selectRepeatTimer_.setInterval(20);
    selectRepeatTimer_.setSingleShot(true);
    connect(&selectRepeatTimer_, &QTimer::timeout, this,
            [this] { HandleMouseMove(lastMousePoint_, captured_); });
    hintDelayTimer_.setSingleShot(true);
    hintDelayTimer_.setInterval(style()->styleHint(QStyle::SH_ToolTip_WakeUpDelay, nullptr, this));
    connect(&hintDelayTimer_, &QTimer::timeout, this, [this] { ShowHintNow(); });
    hintHideTimer_.setSingleShot(true);
    hintHideTimer_.setInterval(2500);
    connect(&hintHideTimer_, &QTimer::timeout, this, [this] { HideHint(); });
    // The terminal faces may be added after the console was made: measure the font again.
    connect(qApp, &QGuiApplication::fontDatabaseChanged, this, [this] {
        MeasureFont();
        Layout();
    });
    connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
        if (state != Qt::ApplicationActive) {
            HideHint();
        }
    });
    resize(209, 129);
}

TConsole::~TConsole() = default;

void TConsole::AssertGuiThread() const {
    QUARN_ASSERT(IsGuiThread(), kUnit);
}

void TConsole::SetCols(int cols) {
    buffer_.SetCols(cols);
    Layout();
}

void TConsole::SetRows(int rows) {
    buffer_.SetRows(rows);
    Layout();
    viewport()->update();
}

void TConsole::SetActive(bool active) {
    buffer_.SetActive(active);
    if (buffer_.Active()) {
        leftCol_ = 0;
        topRow_ = Rows() - 1;
    }
    Layout();
    viewport()->update();
}

void TConsole::SetShowDOS(bool show) {
    if (show == showDos_) {
        return;
    }
    showDos_ = show;
    viewport()->update();
}

void TConsole::SetTabStop(bool tabStop) {
    setFocusPolicy(tabStop ? Qt::StrongFocus : Qt::NoFocus);
}

void TConsole::SetColor(const QColor& colour) {
    color_ = colour;
    viewport()->update();
}

void TConsole::SetGutterWidth(int width) {
    gutterWidth_ = std::max(0, width);
    Layout();
    viewport()->update();
}

void TConsole::SetGutterImages(std::vector<QPixmap> images) {
    gutterImages_ = std::move(images);
    viewport()->update();
}

QColor TConsole::GetPaletteColor(int index) const {
    QUARN_ASSERT(index >= 0 && index < 16, kUnit);
    return palette_[static_cast<std::size_t>(index)];
}

void TConsole::SetPaletteColor(int index, const QColor& colour) {
    QUARN_ASSERT(index >= 0 && index < 16, kUnit);
    palette_[static_cast<std::size_t>(index)] = colour;
    viewport()->update();
}

void TConsole::WriteBuffer(const char* characters, std::size_t length) {
    AssertGuiThread();
    const TWriteResult result = buffer_.WriteBuffer(characters, length);
    if (result.linesAdded > 0) {
        if (scrollState_ == TScrollState::Middle) {
            // The text on screen stays where it is.
            ScrollTo(leftCol_, topRow_ - result.linesAdded);
        }
        if (scrollState_ == TScrollState::Bottom) {
            KeepBottomInView();
        }
        // The text moved under an unmoved view.
        viewport()->update();
    } else {
        if (scrollState_ == TScrollState::Bottom) {
            KeepBottomInView();
        }
        RepaintRows(std::max(0, result.firstRow), result.lastRow);
    }
}

void TConsole::Clear() {
    if (!Active()) {
        return;
    }
    buffer_.Clear();
    viewport()->update();
}

void TConsole::FillCells(int col, int row, int count, char character) {
    buffer_.FillCells(col, row, count, character);
    RepaintRows(row, Rows() - 1);
}

void TConsole::SetWriteCursor(int col, int row) {
    const int oldRow = buffer_.GetCursorRow();
    buffer_.SetWriteCursor(col, row);
    RepaintRows(oldRow, oldRow);
    RepaintRows(buffer_.GetCursorRow(), buffer_.GetCursorRow());
}

void TConsole::SetGutterImage(int index, int row) {
    const int line = row < 0 ? buffer_.GetCursorRow() : row;
    buffer_.SetGutterImage(index, line);
    RepaintRows(line, line);
}

void TConsole::SetListLine(int row, bool listLine) {
    buffer_.SetListLine(row, listLine);
    RepaintRows(row, row);
}

TSelection TConsole::Selection() const {
    return {buffer_.Marks().selStart, buffer_.Marks().selEnd};
}

std::string TConsole::GetSelectedText() const {
    return SelectedText(buffer_, Selection());
}

void TConsole::CopyToClipboard() const {
    TDragTextSource source;
    source.SetText(GetSelectedText());
    source.CopyToClipboard();
}

void TConsole::ClearSelection() {
    DropSelection();
    buffer_.Marks().anchor = {};
}

void TConsole::DropSelection() {
    const TSelection old = Selection();
    buffer_.Marks().selStart = {};
    buffer_.Marks().selEnd = {};
    if (!old.IsNone()) {
        RepaintRows(old.start.row, old.end.row);
    }
}

bool TConsole::SelectionToEnd() const {
    const TSelection selection = Selection();
    return !selection.IsNone() && selection.end.row >= Rows();
}

void TConsole::SetCaretRow(int row) {
    TConsoleMarks& marks = buffer_.Marks();
    RepaintRows(marks.caretRow, marks.caretRow);
    marks.caretRow = row;
    RepaintRows(row, row);
    if (row >= 0 && row < topRow_) {
        ScrollTo(leftCol_, row);
    }
    RepaintCaret();
}

void TConsole::SetCaretCol(int col) {
    buffer_.Marks().caretCol = col;
    RepaintRows(GetCaretRow(), GetCaretRow());
}

void TConsole::MoveCaret(int col, int row) {
    TConsoleMarks& marks = buffer_.Marks();
    RepaintCaret();
    RepaintRows(marks.caretRow, marks.caretRow);
    marks.caretCol = col;
    marks.caretRow = row;
    RepaintRows(row, row);
}

void TConsole::ScrollTo(int col, int row) {
    col = std::clamp(col, 0, std::max(0, Cols() - visibleCols_));
    row = std::clamp(row, 0, std::max(0, Rows() - visibleRows_));
    if (col == leftCol_ && row == topRow_) {
        return;
    }
    HideHint();
    const int dy = topRow_ - row;
    const bool horizontal = col != leftCol_;
    leftCol_ = col;
    topRow_ = row;
    if (horizontal || std::abs(dy) >= visibleRows_) {
        viewport()->update();
    } else {
        viewport()->scroll(0, dy * Cell().height);
    }
    UpdateScrollBars();
    UpdateScrollState();
}

void TConsole::Scroll(Qt::Orientation bar, TScrollCode code, int position) {
    HideHint();
    const bool vertical = bar == Qt::Vertical;
    const int current = vertical ? topRow_ : leftCol_;
    const int page = vertical ? visibleRows_ - 1 : visibleCols_ / 2;
    const int maximum = vertical ? Rows() : Cols();
    int target = current;
    switch (code) {
    case TScrollCode::LineUp:
        target = current - 1;
        break;
    case TScrollCode::LineDown:
        target = current + 1;
        break;
    case TScrollCode::PageUp:
        target = current - page;
        break;
    case TScrollCode::PageDown:
        target = current + page;
        break;
    case TScrollCode::ThumbPosition:
    case TScrollCode::ThumbTrack:
        target = position;
        break;
    case TScrollCode::Top:
        target = 0;
        break;
    case TScrollCode::Bottom:
        target = maximum;
        break;
    }
    if (vertical) {
        ScrollTo(leftCol_, target);
    } else {
        ScrollTo(target, topRow_);
    }
}

void TConsole::UpdateScrollState() {
    if (topRow_ == 0) {
        scrollState_ = TScrollState::Top;
    } else if (topRow_ + visibleRows_ - 1 < buffer_.GetCursorRow()) {
        scrollState_ = TScrollState::Middle;
    } else {
        scrollState_ = TScrollState::Bottom;
    }
}

void TConsole::KeepBottomInView() {
    const int writeRow = buffer_.GetCursorRow();
    ScrollTo(0, std::max(writeRow - visibleRows_ + 1, std::min(topRow_, writeRow)));
}

void TConsole::MeasureFont() {
    // A detached copy looks its face up again: the widget's font may still hold the stand-in that was
    // found before the terminal faces were added.
    QFont fresh;
    fresh.fromString(font().toString());
    fresh.setStyleHint(font().styleHint(), font().styleStrategy());
    glyphs_ = std::make_unique<TConsoleGlyphs>(fresh);
}

void TConsole::Layout() {
    const QSize client = viewport()->size();
    // The gutter is not text: the last columns must be reachable by scrolling.
    visibleCols_ = std::max(0, client.width() - gutterWidth_) / Cell().width;
    visibleRows_ = client.height() / Cell().height;
    ScrollTo(0, std::min(topRow_, std::max(0, Rows() - visibleRows_)));
    UpdateScrollBars();
    if (Active() && scrollState_ == TScrollState::Bottom) {
        KeepBottomInView();
    }
    viewport()->update();
}

void TConsole::UpdateScrollBars() {
    updatingScrollBars_ = true;
    QScrollBar* vertical = verticalScrollBar();
    const int maxTopRow = std::max(0, Rows() - visibleRows_);
    vertical->setRange(0, maxTopRow);
    vertical->setPageStep(std::max(1, visibleRows_));
    vertical->setSingleStep(1);
    vertical->setValue(topRow_);
    vertical->setEnabled(maxTopRow > 0);
    QScrollBar* horizontal = horizontalScrollBar();
    horizontal->setRange(0, std::max(0, Cols() - visibleCols_));
    horizontal->setPageStep(std::max(1, visibleCols_));
    horizontal->setValue(leftCol_);
    updatingScrollBars_ = false;
}

void TConsole::scrollContentsBy(int, int) {
    if (updatingScrollBars_) {
        return;
    }
    ScrollTo(horizontalScrollBar()->value(), verticalScrollBar()->value());
}

void TConsole::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    Layout();
}

void TConsole::changeEvent(QEvent* event) {
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        MeasureFont();
        Layout();
    }
}

TViewOrigin TConsole::Origin() const {
    return {leftCol_, topRow_, gutterWidth_, Cols(), Rows()};
}

TCellPos TConsole::CellAt(QPoint point) const {
    return CellAtPoint(point, Cell(), Origin());
}

QRect TConsole::CellRect(int col, int row) const {
    return {gutterWidth_ + (col - leftCol_) * Cell().width, (row - topRow_) * Cell().height, Cell().width,
            Cell().height};
}

void TConsole::RepaintRows(int firstRow, int lastRow) {
    if (firstRow < 0 && lastRow < 0) {
        return;
    }
    const int first = std::max(firstRow, topRow_);
    const int last = std::min(lastRow, topRow_ + visibleRows_);
    if (last < first) {
        return;
    }
    const int height = Cell().height;
    viewport()->update(0, (first - topRow_) * height, viewport()->width(), (last - first + 1) * height);
}

void TConsole::RepaintCaret() {
    const int row = GetCaretRow();
    if (row >= 0) {
        viewport()->update(CellRect(GetCaretCol(), row).adjusted(-1, 0, 1, 0));
    }
}

} // namespace quarn
