#include "controls/ListView4State.h"

#include "controls/ControlBilder.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyleOptionViewItem>

namespace quarn {

namespace {

constexpr int kStateRole = Qt::UserRole + 0x400;
constexpr int kDataRole = Qt::UserRole + 0x401;

} // namespace

int NextItemState(int state, bool allowGrayed, bool hasData) {
    if (state == 0) {
        return 1;
    }
    if (state == 1 && allowGrayed) {
        return hasData ? 3 : 2;
    }
    return 0;
}

TListView4State::TListView4State(QWidget* parent) : QTreeWidget(parent) {
    setIconSize(QSize(kStatesBildGroesse, kStatesBildGroesse));
    setRootIsDecorated(false);
}

int TListView4State::ItemState(const QTreeWidgetItem& item) {
    return item.data(0, kStateRole).toInt();
}

void TListView4State::SetItemState(QTreeWidgetItem& item, int state) {
    item.setData(0, kStateRole, state);
    item.setIcon(0, QIcon(StatesBild(state)));
}

void TListView4State::SetItemData(QTreeWidgetItem& item, const QVariant& data) {
    item.setData(0, kDataRole, data);
}

bool TListView4State::HasItemData(const QTreeWidgetItem& item) {
    return item.data(0, kDataRole).isValid();
}

QRect TListView4State::StateIconRect(const QTreeWidgetItem& item) const {
    const QModelIndex index = indexFromItem(&item, 0);
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.rect = visualRect(index);
    option.index = index;
    option.features |= QStyleOptionViewItem::HasDecoration;
    option.icon = item.icon(0);
    option.decorationSize = iconSize();
    option.text = item.text(0);
    option.features |= QStyleOptionViewItem::HasDisplay;
    return style()->subElementRect(QStyle::SE_ItemViewItemDecoration, &option, this);
}

void TListView4State::Advance(QTreeWidgetItem& item) {
    setCurrentItem(&item);
    item.setSelected(true);
    SetItemState(item, NextItemState(ItemState(item), allowGrayed_, HasItemData(item)));
}

bool TListView4State::ClickOnStateIcon(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return false;
    }
    const QPoint point = event->position().toPoint();
    QTreeWidgetItem* item = itemAt(point);
    if (item == nullptr || !StateIconRect(*item).contains(point)) {
        return false;
    }
    Advance(*item);
    event->accept();
    return true;
}

void TListView4State::mousePressEvent(QMouseEvent* event) {
    if (!ClickOnStateIcon(event)) {
        QTreeWidget::mousePressEvent(event);
    }
}

void TListView4State::mouseDoubleClickEvent(QMouseEvent* event) {
    if (!ClickOnStateIcon(event)) {
        QTreeWidget::mouseDoubleClickEvent(event);
    }
}

void TListView4State::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space && event->modifiers() == Qt::NoModifier && currentItem() != nullptr) {
        Advance(*currentItem());
        event->accept();
        return;
    }
    QTreeWidget::keyPressEvent(event);
}

} // namespace quarn
