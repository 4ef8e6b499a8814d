#include "toolbars/items/TTKView.h"

#include "toolbars/items/TTKCommon.h"
#include "toolbars/items/TTKCustomItem.h"
#include "toolbars/items/TTKItems.h"
#include "toolbars/items/TTKPopupSeam.h"
#include "toolbars/items/TTKSettings.h"

#include <QFontMetrics>
#include <QPainter>
#include <QTimer>
#include <QWidget>

namespace quarn {

namespace {

// Control items hidden for lack of room are parked out of sight.
const QPoint kParkedControl(-10000, -10000);

bool IsControlItem(const TTKCustomItem& item) {
    return qobject_cast<const TTKControlItem*>(&item) != nullptr;
}

} // namespace

void TTKView::WindowDeleter::operator()(QWidget* window) const {
    delete window;
}

TTKView::TTKView(QObject* owner, TTKView* parentView, TTKCustomItem* parentItem, QWidget* window,
                 bool toolbarStyle, bool customizing, bool usePriorityList)
    : QObject(owner), window_(window), parentView_(parentView), rootItem_(parentItem),
      isPopup_(!toolbarStyle), customizing_(customizing), usePriorityList_(usePriorityList),
      background_(QColor::fromRgba(0x20000000)) {
    if (rootItem_) {
        rootItem_->AddViewListener(this);
        shownItem_ = rootItem_->ShownItem();
        if (shownItem_ && shownItem_ != rootItem_)
            shownItem_->AddViewListener(this);
        connect(rootItem_, &QObject::destroyed, this, &TTKView::RootDestroyed);
    }
    BuildViewers();
}

TTKView::~TTKView() {
    CloseSubmenus();
    if (shownItem_ && shownItem_ != rootItem_)
        shownItem_->RemoveViewListener(this);
    if (rootItem_)
        rootItem_->RemoveViewListener(this);
}

void TTKView::FitWindowToContent(int width, int height) {
    if (window_)
        window_->resize(width, height);
}

void TTKView::Relayout() {
    ComputeAndStore(true);
    FitWindowToContent(layout_.size.width(), layout_.size.height());
    if (window_)
        window_->update();
}

QMargins TTKView::MarginsFor(TTKOrientation orientation) const {
    return quarn::MarginsFor(orientation);
}

QFont TTKView::ViewFont() const {
    return KitSettings().MenuFont();
}

void TTKView::MarkLayoutStale() {
    positionsValid_ = false;
    if (window_)
        window_->update();
}

void TTKView::SetOrientation(TTKOrientation orientation) {
    orientation_ = orientation;
    MarkLayoutStale();
}

void TTKView::SetWrapOffset(int offset) {
    wrapOffset_ = offset;
    MarkLayoutStale();
}

void TTKView::SetChevron(int offset, int size) {
    chevronOffset_ = offset;
    chevronSize_ = size;
    MarkLayoutStale();
}

void TTKView::SetLargestHeight(int height) {
    largestHeight_ = height;
    MarkLayoutStale();
}

// ---- the viewer list ----

void TTKView::AddViewersFor(TTKCustomItem& item, ViewerList& into) {
    const TTKItemViewerClass maker = item.ViewerClass(*this);
    std::unique_ptr<TTKItemViewer> viewer = maker(*this, item);
    viewer->SetClass(maker);
    if (usePriorityList_)
        priorityList_.push_back(viewer.get());
    into.push_back(std::move(viewer));
    if ((item.StyleBits() & tbis::EmbeddedGroup) != 0 && !customizing_) {
        TTKCustomItem* group = item.ShownItem();
        for (int i = 0; group && i < group->Count(); ++i)
            AddViewersFor(*group->Items(i), into);
    }
}

void TTKView::BuildViewers() {
    CloseSubmenus();
    selected_ = nullptr;
    positionsValid_ = false;
    viewers_.clear();
    priorityList_.clear();
    leadingCount_ = 0;
    trailingCount_ = 0;
    if (TTKCustomItem* leading = LeadingExtraItem()) {
        AddViewersFor(*leading, viewers_);
        leadingCount_ = ViewerCount();
    }
    for (int i = 0; shownItem_ && i < shownItem_->Count(); ++i)
        AddViewersFor(*shownItem_->Items(i), viewers_);
    const int beforeTrailing = ViewerCount();
    if (TTKCustomItem* trailing = TrailingExtraItem())
        for (int i = 0; i < trailing->Count(); ++i)
            AddViewersFor(*trailing->Items(i), viewers_);
    if (TTKCustomItem* chevron = ChevronItemOf())
        AddViewersFor(*chevron, viewers_);
    trailingCount_ = ViewerCount() - beforeTrailing;
    for (const auto& viewer : viewers_)
        if (viewer->Item().Visible())
            viewer->Item().UpdateAction();
}

void TTKView::ForgetViewer(const TTKItemViewer* viewer) {
    if (selected_ == viewer)
        selected_ = nullptr;
    if (openViewer_ == viewer)
        CloseSubmenus();
    std::erase(priorityList_, viewer);
}

void TTKView::RemoveViewersOf(const TTKCustomItem* item) {
    std::vector<const TTKCustomItem*> gone = {item};
    if (item && (item->StyleBits() & tbis::EmbeddedGroup) != 0)
        for (int i = 0; item->LinkSubitems() == nullptr && i < item->Count(); ++i)
            gone.push_back(item->Items(i));
    for (auto it = viewers_.begin(); it != viewers_.end();) {
        if (std::find(gone.begin(), gone.end(), &(*it)->Item()) != gone.end()) {
            ForgetViewer(it->get());
            it = viewers_.erase(it);
        } else {
            ++it;
        }
    }
    positionsValid_ = false;
}

void TTKView::ReplaceViewersOf(TTKCustomItem* item) {
    for (auto& viewer : viewers_) {
        if (&viewer->Item() != item)
            continue;
        ForgetViewer(viewer.get());
        std::erase(priorityList_, viewer.get());
        const TTKItemViewerClass maker = item->ViewerClass(*this);
        viewer = maker(*this, *item);
        viewer->SetClass(maker);
        if (usePriorityList_)
            priorityList_.push_back(viewer.get());
    }
    positionsValid_ = false;
}

void TTKView::ItemNotification(TTKItemChangeKind kind, TTKCustomItem* ancestor, bool, TTKCustomItem* item,
                               int index) {
    switch (kind) {
    case TTKItemChangeKind::Inserting: {
        // The new viewers go before those of the next sibling, or at the end of the children's part.
        TTKItemViewer* next = nullptr;
        if (ancestor && index + 1 < ancestor->Count()) {
            const TTKCustomItem* sibling = ancestor->Items(index + 1);
            for (const auto& viewer : viewers_)
                if (&viewer->Item() == sibling)
                    next = viewer.get();
        }
        ViewerList added;
        if (item)
            AddViewersFor(*item, added);
        auto at = viewers_.end() - trailingCount_;
        if (next)
            at = std::find_if(viewers_.begin(), viewers_.end(),
                              [&](const auto& v) { return v.get() == next; });
        else if (ancestor != shownItem_) {
            BuildViewers();
            break;
        }
        viewers_.insert(at, std::make_move_iterator(added.begin()), std::make_move_iterator(added.end()));
        positionsValid_ = false;
        break;
    }
    case TTKItemChangeKind::Deleting:
        RemoveViewersOf(item);
        break;
    case TTKItemChangeKind::SubitemsChanged:
        if (rootItem_ && rootItem_->ShownItem() != shownItem_) {
            if (shownItem_ && shownItem_ != rootItem_)
                shownItem_->RemoveViewListener(this);
            shownItem_ = rootItem_->ShownItem();
            if (shownItem_ && shownItem_ != rootItem_)
                shownItem_->AddViewListener(this);
        }
        BuildViewers();
        break;
    case TTKItemChangeKind::BeginUpdate:
        ++updateCount_;
        break;
    case TTKItemChangeKind::EndUpdate:
        --updateCount_;
        break;
    case TTKItemChangeKind::Invalidate:
        for (const auto& viewer : viewers_)
            if (&viewer->Item() == item)
                RepaintViewer(viewer.get());
        break;
    case TTKItemChangeKind::InvalidateAndResize:
        positionsValid_ = false;
        break;
    case TTKItemChangeKind::SubMenuImagesChanged:
        positionsValid_ = false;
        if (openView_)
            openView_->MarkLayoutStale();
        break;
    case TTKItemChangeKind::NameChanged:
        return;
    }
    if (updateCount_ == 0 && !positionsValid_)
        Relayout();
}

void TTKView::RootDestroyed() {
    viewers_.clear();
    priorityList_.clear();
    selected_ = nullptr;
    openViewer_ = nullptr;
    shownItem_ = nullptr;
    positionsValid_ = false;
    // The parent frees our window with its submenu; not while the root's destruction still runs here.
    if (parentView_)
        QTimer::singleShot(0, parentView_.data(), [parent = parentView_] {
            if (parent)
                parent->CloseSubmenus();
        });
}

TTKItemViewer* TTKView::FindViewer(const TTKCustomItem* item) const {
    for (const auto& viewer : viewers_)
        if (&viewer->Item() == item)
            return viewer.get();
    throw ETKItemError(kTextViewerNotFound);
}

TTKItemViewer* TTKView::ViewerAtPoint(const QPoint& point) const {
    for (const auto& viewer : viewers_)
        if (viewer->Shown() && viewer->BoundsRect().contains(point))
            return viewer.get();
    return nullptr;
}

void TTKView::MarkUsed(TTKItemViewer* viewer) {
    if (!usePriorityList_ || !viewer)
        return;
    std::erase(priorityList_, viewer);
    priorityList_.insert(priorityList_.begin(), viewer);
    positionsValid_ = false;
}

// ---- layout ----

bool TTKView::ViewerWanted(const TTKItemViewer& viewer) const {
    const TTKCustomItem& item = viewer.Item();
    if (const auto* control = qobject_cast<const TTKControlItem*>(&item))
        return control->Control() && control->Control()->parentWidget() == window_ &&
               !control->Control()->isHidden();
    if ((item.StyleBits() & tbis::EmbeddedGroup) != 0)
        return customizing_;
    return item.Visible();
}

TTKLayoutInput TTKView::LayoutInput(std::vector<std::unique_ptr<TTKItemViewer>>& temporaries) {
    TTKLayoutInput in;
    in.orientation = orientation_;
    in.popup = isPopup_;
    in.margins = MarginsFor(orientation_);
    in.wrapOffset = wrapOffset_;
    in.chevronOffset = ChevronItemOf() ? chevronOffset_ : 0;
    in.chevronSize = chevronSize_;
    in.usePriorityList = usePriorityList_;
    in.largestHeight = isPopup_ ? largestHeight_ : 0;
    in.scrollOffset = scrollOffset_;
    const QFont font = ViewFont();
    QFont bold = font;
    bold.setBold(true);
    const QFontMetrics metrics(font);
    const QFontMetrics boldMetrics(bold);
    const TTKCustomItem* chevron = ChevronItemOf();
    for (auto& owned : viewers_) {
        TTKItemViewer* viewer = owned.get();
        TTKCustomItem& item = viewer->Item();
        if (&item == chevron)
            continue;
        TTKLayoutEntry e;
        e.visible = ViewerWanted(*viewer);
        e.separator = (item.StyleBits() & tbis::Separator) != 0;
        e.control = IsControlItem(item);
        e.styleBits = item.StyleBits();
        e.toolbarSize = viewer->ButtonSized();
        const auto rank = std::find(priorityList_.begin(), priorityList_.end(), viewer);
        e.priorityRank = static_cast<int>(rank - priorityList_.begin());
        if (e.visible) {
            if (item.ViewerClassChanged(*viewer)) {
                temporaries.push_back(item.ViewerClass(*this)(*this, item));
                viewer = temporaries.back().get();
            }
            int width = 0;
            int height = 0;
            if (const auto* control = qobject_cast<const TTKControlItem*>(&item)) {
                width = control->Control()->width();
                height = control->Control()->height();
            } else {
                viewer->MeasureSize(HasOption(item.EffectiveOptions(), tboDefault) ? boldMetrics : metrics,
                                    width, height);
            }
            e.size = QSize(width, height);
        }
        in.entries.push_back(e);
    }
    return in;
}

void TTKView::ComputeAndStore(bool commit) {
    std::vector<std::unique_ptr<TTKItemViewer>> temporaries;
    const TTKLayoutInput in = LayoutInput(temporaries);
    layout_ = ComputeLayout(in);
    scrollOffset_ = layout_.scrollOffset;
    positionsValid_ = true;
    if (!commit)
        return;
    const TTKCustomItem* chevron = ChevronItemOf();
    std::size_t entry = 0;
    for (auto& viewer : viewers_) {
        if (&viewer->Item() == chevron) {
            viewer->bounds_ = layout_.chevronRect;
            viewer->shown_ = layout_.chevronShown;
            continue;
        }
        if (viewer->Item().ViewerClassChanged(*viewer)) {
            TTKCustomItem& item = viewer->Item();
            ForgetViewer(viewer.get());
            const TTKItemViewerClass maker = item.ViewerClass(*this);
            viewer = maker(*this, item);
            viewer->SetClass(maker);
            if (usePriorityList_)
                priorityList_.push_back(viewer.get());
        }
        const TTKLayoutSlot& slot = layout_.viewers[entry++];
        viewer->bounds_ = slot.rect;
        viewer->shown_ = slot.shown;
        viewer->offEdge_ = slot.offEdge;
        viewer->clipped_ = slot.clipped;
        viewer->lineSeparator_ = slot.lineSeparator;
        if (auto* control = qobject_cast<TTKControlItem*>(&viewer->Item()); control && control->Control()) {
            if (slot.shown)
                control->Control()->setGeometry(slot.rect);
            else if (slot.offEdge)
                control->Control()->move(kParkedControl);
        }
    }
}

void TTKView::ValidatePositions() {
    if (!positionsValid_)
        Relayout();
}

void TTKView::RepaintViewer(const TTKItemViewer* viewer) {
    if (window_ && viewer)
        window_->update(viewer->BoundsRect());
}

// ---- submenus and scrolling ----

bool TTKView::OpenSelectedSubmenu(bool selectFirst) {
    if (selected_ != openViewer_ || !openWindow_) {
        CloseSubmenus();
        if (selected_ && selected_->Item().Enabled() && selected_->HasSubmenu()) {
            TTKSubmenuRequest request;
            request.parentView = this;
            request.selectFirst = selectFirst;
            request.positionAsSubmenu = isPopup_;
            request.customizing = customizing_;
            if (window_)
                request.point = window_->mapToGlobal(isPopup_ ? selected_->BoundsRect().topRight()
                                                              : selected_->BoundsRect().bottomLeft());
            if (QWidget* window = selected_->Item().ShowSubmenu(request)) {
                openWindow_.reset(window);
                openViewer_ = selected_;
                openView_ = window->findChild<TTKView*>();
                RepaintViewer(openViewer_);
            }
        }
    }
    return openWindow_ != nullptr;
}

void TTKView::CloseSubmenus() {
    if (openView_)
        openView_->CloseSubmenus();
    openView_ = nullptr;
    const TTKItemViewer* was = openViewer_;
    openViewer_ = nullptr;
    openWindow_.reset();
    RepaintViewer(was);
}

void TTKView::ScrollStep(bool down) {
    ValidatePositions();
    const int next = ScrollStepOffset(layout_, largestHeight_, down);
    if (next == scrollOffset_)
        return;
    scrollOffset_ = next;
    Relayout();
}

void TTKView::RevealSelection() {
    ValidatePositions();
    if (!selected_ || !selected_->Clipped())
        return;
    const TTKCustomItem* chevron = ChevronItemOf();
    int entry = 0;
    for (const auto& viewer : viewers_) {
        if (&viewer->Item() == chevron)
            continue;
        if (viewer.get() == selected_)
            break;
        ++entry;
    }
    scrollOffset_ = RevealOffset(layout_, largestHeight_, entry);
    Relayout();
}

// ---- painting ----

void TTKView::Paint(QPainter& painter) {
    ValidatePositions();
    painter.setFont(ViewFont());
    const auto paintOne = [&](TTKItemViewer& viewer) {
        const QRect& r = viewer.BoundsRect();
        if (!viewer.Shown() || r.isEmpty() || IsControlItem(viewer.Item()))
            return;
        painter.save();
        painter.translate(r.topLeft());
        painter.setBrushOrigin(0, 0);
        painter.setClipRect(QRect(QPoint(0, 0), r.size()));
        const bool selected = &viewer == selected_;
        const bool pushed = selected && openViewer_ == selected_ && openWindow_;
        viewer.DrawViewer(painter, QRect(QPoint(0, 0), r.size()), selected, pushed, !isPopup_);
        painter.restore();
    };
    for (const auto& viewer : viewers_)
        if (viewer.get() != selected_)
            paintOne(*viewer);
    if (selected_)
        paintOne(*selected_);
    if (!window_)
        return;
    const QPalette palette = window_->palette();
    const auto arrow = [&](int top, bool up) {
        const int x = layout_.size.width() / 2;
        const int y = top + kScrollArrowHeight / 2;
        const int d = up ? -1 : 1;
        const QPoint points[3] = {QPoint(x - 4, y - 2 * d), QPoint(x + 4, y - 2 * d), QPoint(x, y + 2 * d)};
        painter.setPen(Qt::NoPen);
        painter.setBrush(palette.color(QPalette::WindowText));
        painter.drawPolygon(points, 3);
    };
    if (layout_.topArrow)
        arrow(0, true);
    if (layout_.bottomArrow)
        arrow(layout_.size.height() - kScrollArrowHeight, false);
}

} // namespace quarn
