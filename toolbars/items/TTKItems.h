#pragma once

#include "toolbars/items/TTKCustomItem.h"

#include <QPointer>
#include <QWidget>

namespace quarn {

// The invisible root of a toolbar or pop-up menu; its children are what the user sees.
class TTKRootItem : public TTKCustomItem {
    Q_OBJECT
public:
    // The toolbar or menu the root belongs to (its parent component).
    explicit TTKRootItem(QObject* ownerComponent = nullptr) : ownerComponent_(ownerComponent) {}
    QObject* OwnerComponent() const { return ownerComponent_; }
    void SetOwnerComponent(QObject* owner) { ownerComponent_ = owner; }

private:
    QPointer<QObject> ownerComponent_;
};

// A button or menu entry.
class TTKItem : public TTKCustomItem {
    Q_OBJECT
public:
    TTKItem() = default;
    explicit TTKItem(const QString& caption) { SetCaption(caption); }
};

class TTKSeparatorItem : public TTKCustomItem {
    Q_OBJECT
public:
    TTKSeparatorItem();
    TTKItemViewerClass ViewerClass(const TTKView& view) const override;
    // Draw nothing but keep the space.
    bool Blank() const { return blank_; }
    void SetBlank(bool value);

private:
    bool blank_ = false;
};

// A control placed on the toolbar at the item's place. Unless told otherwise, the item frees the control
// with itself.
class TTKControlItem : public TTKCustomItem {
    Q_OBJECT
public:
    TTKControlItem();
    explicit TTKControlItem(QWidget* control);
    ~TTKControlItem() override;

    QWidget* Control() const { return control_; }
    void SetControl(QWidget* control);
    bool DontFreeControl() const { return dontFreeControl_; }
    void SetDontFreeControl(bool value) { dontFreeControl_ = value; }

private:
    QPointer<QWidget> control_;
    bool dontFreeControl_ = false;
};

} // namespace quarn
