#pragma once

#include <QTreeWidget>

namespace quarn {

// A list whose items carry one of four check states (0 off, 1 on, 2 and 3 the grey states) shown as
// the item's state picture. A click or double click on the picture, or Space, moves the state on:
// 0 to 1; 1 to 3 (with data) or 2 (without) when `AllowGrayed`; anything else to 0.
class TListView4State : public QTreeWidget {
public:
    explicit TListView4State(QWidget* parent = nullptr);

    bool AllowGrayed() const { return allowGrayed_; }
    void SetAllowGrayed(bool allow) { allowGrayed_ = allow; }

    static int ItemState(const QTreeWidgetItem& item);
    static void SetItemState(QTreeWidgetItem& item, int state);
    // The item's data, whose presence picks the grey state that follows 1.
    static void SetItemData(QTreeWidgetItem& item, const QVariant& data);
    static bool HasItemData(const QTreeWidgetItem& item);

    // Where the item's state picture lies, in viewport coordinates.
    QRect StateIconRect(const QTreeWidgetItem& item) const;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool ClickOnStateIcon(QMouseEvent* event);
    void Advance(QTreeWidgetItem& item);

    bool allowGrayed_ = false;
};

// The state that follows `state`.
int NextItemState(int state, bool allowGrayed, bool hasData);

} // namespace quarn
