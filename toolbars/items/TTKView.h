#pragma once

#include "toolbars/items/TTKItemTypes.h"
#include "toolbars/items/TTKItemViewer.h"
#include "toolbars/items/TTKLayout.h"

#include <QColor>
#include <QFont>
#include <QObject>
#include <QPointer>
#include <memory>
#include <vector>

class QPainter;
class QWidget;

namespace quarn {

// Shows the children of one item in one window (a toolbar or a pop-up): one viewer per shown item, laid
// out in rows, with the selection, accelerators, open submenu and scrolling the menu loop works with.
class TTKView : public QObject, public ITTKItemChangeListener {
    Q_OBJECT
public:
    TTKView(QObject* owner, TTKView* parentView, TTKCustomItem* parentItem, QWidget* window,
            bool toolbarStyle, bool customizing, bool usePriorityList);
    ~TTKView() override;

    virtual void FitWindowToContent(int width, int height);
    virtual void Relayout();
    virtual TTKCustomItem* ChevronItemOf() const { return nullptr; }
    virtual QMargins MarginsFor(TTKOrientation orientation) const;
    virtual TTKCustomItem* TrailingExtraItem() const { return nullptr; }
    virtual TTKCustomItem* LeadingExtraItem() const { return nullptr; }
    virtual QFont ViewFont() const;
    virtual void MarkLayoutStale();

    void ItemNotification(TTKItemChangeKind kind, TTKCustomItem* ancestor, bool relayed, TTKCustomItem* item,
                          int index) override;

    TTKCustomItem* RootItem() const { return rootItem_; }
    TTKCustomItem* ShownItem() const { return shownItem_; }
    QWidget* Window() const { return window_; }
    TTKView* ParentView() const { return parentView_; }
    bool IsPopup() const { return isPopup_; }
    bool IsToolbarStyle() const { return !isPopup_; }
    TTKOrientation Orientation() const { return orientation_; }
    void SetOrientation(TTKOrientation orientation);
    void SetWrapOffset(int offset);
    void SetChevron(int offset, int size);
    void SetLargestHeight(int height);
    int ScrollOffset() const { return scrollOffset_; }
    bool TopArrowShown() const { return layout_.topArrow; }
    bool BottomArrowShown() const { return layout_.bottomArrow; }
    QSize TotalSize() const { return layout_.size; }
    bool ChevronEnabled() const { return layout_.chevronEnabled; }

    int ViewerCount() const { return static_cast<int>(viewers_.size()); }
    TTKItemViewer* Viewers(int index) const { return viewers_.at(static_cast<std::size_t>(index)).get(); }
    TTKItemViewer* FindViewer(const TTKCustomItem* item) const;
    TTKItemViewer* ViewerAtPoint(const QPoint& point) const;
    // Lays out again now when positions went stale.
    void ValidatePositions();
    // With a priority list: the item was used, so it is the last to give way to the chevron.
    void MarkUsed(TTKItemViewer* viewer);

    TTKItemViewer* Selected() const { return selected_; }
    bool MouseOverSelected() const { return mouseOverSelected_; }
    void SetSelection(TTKItemViewer* viewer);
    // The next (or previous) selectable viewer after the selected one, wrapping; none when there is none.
    TTKItemViewer* NextSelectable(bool forward) const;
    void StepSelection(bool forward);
    // The viewer a pop-up selects when it opens.
    TTKItemViewer* FirstSelectable() const;
    // The viewer whose accelerator (or, unless primaryOnly, first letter) is `key`, searched after `from`.
    TTKItemViewer* FindAccelTarget(TTKItemViewer* from, QChar key, bool primaryOnly, bool& onlyOne) const;
    void SetAccelVisibility(bool force);
    bool AccelsVisible() const { return accelsVisible_; }
    bool HideAccelsUntilKeyboard() const { return hideAccelsUntilKeyboard_; }
    void SetHideAccelsUntilKeyboard(bool value) { hideAccelsUntilKeyboard_ = value; }

    bool OpenSelectedSubmenu(bool selectFirst);
    void CloseSubmenus();
    TTKItemViewer* OpenViewer() const { return openViewer_; }
    QWidget* OpenSubmenuWindow() const { return openWindow_.get(); }
    TTKView* OpenView() const { return openView_; }

    // Submenus of this view open to the left (its own pop-up was turned back at the monitor's edge).
    bool OpensSubmenusLeft() const { return opensSubmenusLeft_; }
    void SetOpensSubmenusLeft(bool value) { opensSubmenusLeft_ = value; }

    void ScrollStep(bool down);
    void RevealSelection();

    void Paint(QPainter& painter);

private:
    struct WindowDeleter {
        void operator()(QWidget* window) const;
    };
    using ViewerList = std::vector<std::unique_ptr<TTKItemViewer>>;

    void BuildViewers();
    void AddViewersFor(TTKCustomItem& item, ViewerList& into);
    void RemoveViewersOf(const TTKCustomItem* item);
    void ForgetViewer(const TTKItemViewer* viewer);
    void ReplaceViewersOf(TTKCustomItem* item);
    bool ViewerWanted(const TTKItemViewer& viewer) const;
    TTKLayoutInput LayoutInput(std::vector<std::unique_ptr<TTKItemViewer>>& temporaries);
    void ComputeAndStore(bool commit);
    void RepaintViewer(const TTKItemViewer* viewer);
    void RootDestroyed();

    QPointer<QWidget> window_;
    QPointer<TTKView> parentView_;
    QPointer<TTKCustomItem> rootItem_;
    QPointer<TTKCustomItem> shownItem_;
    bool isPopup_;
    bool customizing_;
    bool usePriorityList_;
    QColor background_;
    TTKOrientation orientation_ = TTKOrientation::Horizontal;
    int wrapOffset_ = 0;
    int chevronOffset_ = 0;
    int chevronSize_ = 0;
    int largestHeight_ = 0;
    int scrollOffset_ = 0;
    bool positionsValid_ = false;
    int updateCount_ = 0;
    TTKLayoutResult layout_;

    ViewerList viewers_;
    std::vector<TTKItemViewer*> priorityList_;
    int leadingCount_ = 0;
    int trailingCount_ = 0;

    TTKItemViewer* selected_ = nullptr;
    bool mouseOverSelected_ = false;
    bool accelsVisible_ = false;
    bool hideAccelsUntilKeyboard_ = false;
    bool opensSubmenusLeft_ = false;

    TTKItemViewer* openViewer_ = nullptr;
    std::unique_ptr<QWidget, WindowDeleter> openWindow_;
    QPointer<TTKView> openView_;
};

} // namespace quarn
