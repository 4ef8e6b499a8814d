#include "toolbars/items/TTKLayout.h"

#include "toolbars/items/TTKItemTypes.h"

#include <algorithm>

namespace quarn {

QMargins MarginsFor(TTKOrientation orientation) {
    return orientation == TTKOrientation::Floating ? QMargins(4, 2, 4, 1) : QMargins();
}

namespace {

constexpr int kLineSeparatorCross = 6;
constexpr QSize kEmptySize(23, 22);

// Positions are worked out along the row and across it; a vertical toolbar swaps the two at the end.
struct Span {
    int along = 0;
    int across = 0;
    int alongLength = 0;
    int acrossLength = 0;
};

struct Row {
    std::vector<int> members;
    int acrossStart = 0;
    int acrossLength = 0;
    int alongEnd = 0;
};

class LayoutRun {
public:
    explicit LayoutRun(const TTKLayoutInput& input)
        : in_(input), vertical_(input.orientation == TTKOrientation::Vertical), spans_(input.entries.size()) {
        out_.viewers.resize(input.entries.size());
    }

    TTKLayoutResult Run() {
        DecideShown();
        HideForChevron();
        Place();
        FinishRows();
        Store();
        Scroll();
        if (out_.size.width() == 0 || out_.size.height() == 0)
            out_.size = kEmptySize;
        return std::move(out_);
    }

private:
    int Along(const QSize& s) const { return vertical_ ? s.height() : s.width(); }
    int Across(const QSize& s) const { return vertical_ ? s.width() : s.height(); }
    int AlongStart() const { return vertical_ ? in_.margins.top() : in_.margins.left(); }
    int AcrossStart() const { return vertical_ ? in_.margins.left() : in_.margins.top(); }
    int AlongEndMargin() const { return vertical_ ? in_.margins.bottom() : in_.margins.right(); }
    int AcrossEndMargin() const { return vertical_ ? in_.margins.right() : in_.margins.bottom(); }
    bool RowStyled(int i) const { return !in_.popup || in_.entries[i].toolbarSize; }
    int Count() const { return static_cast<int>(in_.entries.size()); }

    // A separator must stand between two shown items: never first, never doubled, never last.
    void DecideShown() {
        bool afterSeparator = true;
        for (int i = 0; i < Count(); ++i) {
            const TTKLayoutEntry& e = in_.entries[i];
            TTKLayoutSlot& s = out_.viewers[i];
            s.shown = e.visible && !s.offEdge;
            if (!s.shown)
                continue;
            if (e.separator) {
                s.shown = !afterSeparator;
                afterSeparator = true;
            } else {
                afterSeparator = false;
            }
        }
        for (int i = Count() - 1; i >= 0; --i) {
            if (!out_.viewers[i].shown)
                continue;
            if (!in_.entries[i].separator)
                break;
            out_.viewers[i].shown = false;
        }
    }

    int ShownLength() const {
        int sum = 0;
        for (int i = 0; i < Count(); ++i)
            if (out_.viewers[i].shown)
                sum += Along(in_.entries[i].size);
        return sum;
    }

    int ShownItemCount() const {
        int n = 0;
        for (int i = 0; i < Count(); ++i)
            n += (out_.viewers[i].shown && !in_.entries[i].separator) ? 1 : 0;
        return n;
    }

    // The item that gives way first: the least recently used with a priority list, else the last.
    int NextToHide() const {
        int victim = -1;
        for (int i = 0; i < Count(); ++i) {
            if (!out_.viewers[i].shown || in_.entries[i].separator)
                continue;
            if (victim < 0 || !in_.usePriorityList ||
                in_.entries[i].priorityRank > in_.entries[victim].priorityRank)
                victim = i;
        }
        return victim;
    }

    void HideForChevron() {
        if (in_.chevronOffset <= 0 || ShownLength() <= in_.chevronOffset)
            return;
        out_.chevronShown = true;
        const int room = in_.chevronOffset - in_.chevronSize;
        while (ShownLength() > room && ShownItemCount() >= 2) {
            const int victim = NextToHide();
            out_.viewers[victim].offEdge = true;
            if (!in_.entries[victim].control)
                out_.chevronEnabled = true;
            DecideShown();
        }
    }

    // Whether a separator placed at `along` ends its row.
    bool BreaksRow(int index, int along, bool wrapped) const {
        const TTKLayoutEntry& e = in_.entries[index];
        if (in_.wrapOffset <= 0 || (e.styleBits & tbis::SeparatorNoBreak) != 0)
            return false;
        if (wrapped)
            return true;
        int farEdge = along + Along(e.size);
        for (int i = index + 1; i < Count(); ++i) {
            if (!out_.viewers[i].shown)
                continue;
            if (in_.entries[i].separator)
                break;
            farEdge += Along(in_.entries[i].size);
        }
        return farEdge > in_.wrapOffset;
    }

    void Place() {
        Row row;
        row.acrossStart = AcrossStart();
        int along = AlongStart();
        bool wrapped = false;
        const auto endRow = [&] {
            if (row.members.empty())
                return;
            row.alongEnd = along;
            const int next = row.acrossStart + row.acrossLength;
            rows_.push_back(std::move(row));
            row = Row{};
            row.acrossStart = next;
            along = AlongStart();
        };
        for (int i = 0; i < Count(); ++i) {
            if (!out_.viewers[i].shown)
                continue;
            const TTKLayoutEntry& e = in_.entries[i];
            Span& span = spans_[i];
            if (!RowStyled(i)) {
                // A menu row stands alone, below everything before it.
                endRow();
                span = {AlongStart(), row.acrossStart, Along(e.size), Across(e.size)};
                row.members.push_back(i);
                row.acrossLength = span.acrossLength;
                along = AlongStart() + span.alongLength;
                endRow();
                continue;
            }
            if (e.separator && BreaksRow(i, along, wrapped)) {
                endRow();
                out_.viewers[i].lineSeparator = true;
                span = {AlongStart(), row.acrossStart, 0, kLineSeparatorCross};
                lineSeparators_.push_back(i);
                row.acrossStart += kLineSeparatorCross;
                continue;
            }
            if (in_.wrapOffset > 0 && !row.members.empty() && along + Along(e.size) > in_.wrapOffset) {
                endRow();
                wrapped = true;
            }
            span = {along, row.acrossStart, Along(e.size), Across(e.size)};
            row.members.push_back(i);
            row.acrossLength = std::max(row.acrossLength, span.acrossLength);
            along += span.alongLength;
        }
        endRow();
        contentAcross_ = row.acrossStart;
    }

    void FinishRows() {
        for (const Row& row : rows_)
            contentAlong_ = std::max(contentAlong_, row.alongEnd);
        const int rowLength = in_.wrapOffset > 0 ? in_.wrapOffset : contentAlong_;
        for (const Row& row : rows_) {
            for (int i : row.members) {
                Span& span = spans_[i];
                if (in_.popup && !in_.entries[i].toolbarSize) {
                    span.alongLength = contentAlong_ - AlongStart();
                } else if (in_.popup || in_.entries[i].separator ||
                           (in_.entries[i].styleBits & tbis::Stretch) != 0) {
                    span.acrossLength = row.acrossLength;
                } else {
                    span.across = row.acrossStart + (row.acrossLength - span.acrossLength) / 2;
                }
            }
            const auto firstRight = std::find_if(row.members.begin(), row.members.end(), [&](int i) {
                return (in_.entries[i].styleBits & tbis::RightAlign) != 0;
            });
            const int shift = rowLength - row.alongEnd;
            if (firstRight == row.members.end() || shift <= 0)
                continue;
            for (auto it = firstRight; it != row.members.end(); ++it)
                spans_[*it].along += shift;
            contentAlong_ = std::max(contentAlong_, rowLength);
        }
        // A row break is painted as a line across the whole content.
        for (int i : lineSeparators_)
            spans_[i].alongLength = contentAlong_ - AlongStart();
    }

    QRect ToRect(const Span& s) const {
        return vertical_ ? QRect(s.across, s.along, s.acrossLength, s.alongLength)
                         : QRect(s.along, s.across, s.alongLength, s.acrossLength);
    }

    void Store() {
        int totalAlong = contentAlong_;
        Span chevron;
        if (out_.chevronShown) {
            const int wanted =
                in_.chevronPosition >= 0 ? in_.chevronPosition : in_.chevronOffset - in_.chevronSize;
            chevron = {std::max(wanted, contentAlong_), AcrossStart(), in_.chevronSize,
                       contentAcross_ - AcrossStart()};
            totalAlong = std::max(totalAlong, chevron.along + chevron.alongLength);
        }
        totalAlong += AlongEndMargin();
        const int totalAcross = contentAcross_ + AcrossEndMargin();
        out_.size = vertical_ ? QSize(totalAcross, totalAlong) : QSize(totalAlong, totalAcross);
        const auto mirrored = [&](QRect r) {
            // The first column of a vertical toolbar stands at the right.
            if (vertical_)
                r.moveLeft(out_.size.width() - r.x() - r.width());
            return r;
        };
        for (int i = 0; i < Count(); ++i)
            if (out_.viewers[i].shown)
                out_.viewers[i].rect = mirrored(ToRect(spans_[i]));
        if (out_.chevronShown)
            out_.chevronRect = mirrored(ToRect(chevron));
    }

    void Scroll() {
        const int largest = in_.largestHeight;
        if (!in_.popup || largest <= 0 || out_.size.height() <= largest)
            return;
        out_.scrollLimit = out_.size.height() - largest;
        out_.scrollOffset = std::clamp(in_.scrollOffset, 0, out_.scrollLimit);
        out_.topArrow = out_.scrollOffset > 0;
        out_.bottomArrow = out_.scrollOffset < out_.scrollLimit;
        for (TTKLayoutSlot& s : out_.viewers) {
            if (!s.shown)
                continue;
            s.rect.translate(0, -out_.scrollOffset);
            const bool underTop = out_.topArrow && s.rect.y() < kScrollArrowHeight;
            const bool underBottom =
                out_.bottomArrow && s.rect.y() + s.rect.height() > largest - kScrollArrowHeight;
            if (underTop || underBottom) {
                s.shown = false;
                s.clipped = true;
            }
        }
        out_.size.setHeight(largest);
    }

    const TTKLayoutInput& in_;
    const bool vertical_;
    std::vector<Span> spans_;
    std::vector<Row> rows_;
    std::vector<int> lineSeparators_;
    int contentAlong_ = 0;
    int contentAcross_ = 0;
    TTKLayoutResult out_;
};

int Bottom(const QRect& r) {
    return r.y() + r.height();
}

// Offsets that bring a clipped item fully between the arrows; the limits end the movement, so an item
// taller than the room between the arrows cannot keep the scrolling going.
int OffsetShowingTop(const TTKLayoutResult& layout, const QRect& r) {
    return std::max(layout.scrollOffset - (kScrollArrowHeight - r.y()), 0);
}

int OffsetShowingBottom(const TTKLayoutResult& layout, int largestHeight, const QRect& r) {
    return std::min(layout.scrollOffset + Bottom(r) - (largestHeight - kScrollArrowHeight),
                    layout.scrollLimit);
}

} // namespace

TTKLayoutResult ComputeLayout(const TTKLayoutInput& input) {
    return LayoutRun(input).Run();
}

int ScrollStepOffset(const TTKLayoutResult& layout, int largestHeight, bool down) {
    const int count = static_cast<int>(layout.viewers.size());
    if (down) {
        for (int i = 0; i < count; ++i) {
            const TTKLayoutSlot& s = layout.viewers[i];
            if (s.clipped && Bottom(s.rect) > largestHeight - kScrollArrowHeight)
                return OffsetShowingBottom(layout, largestHeight, s.rect);
        }
    } else {
        for (int i = count - 1; i >= 0; --i) {
            const TTKLayoutSlot& s = layout.viewers[i];
            if (s.clipped && s.rect.y() < kScrollArrowHeight)
                return OffsetShowingTop(layout, s.rect);
        }
    }
    return layout.scrollOffset;
}

int RevealOffset(const TTKLayoutResult& layout, int largestHeight, int index) {
    const TTKLayoutSlot& s = layout.viewers.at(static_cast<std::size_t>(index));
    if (!s.clipped)
        return layout.scrollOffset;
    if (s.rect.y() < kScrollArrowHeight)
        return OffsetShowingTop(layout, s.rect);
    return OffsetShowingBottom(layout, largestHeight, s.rect);
}

} // namespace quarn
