#pragma once

#include <QKeySequence>
#include <QObject>
#include <QPointer>
#include <QString>

class QAction;

namespace quarn {

class TTKCustomItem;

// Ties an item to a QAction: caption (text), checked, enabled, the "HelpContext" and "ImageIndex"
// properties, hint (tool tip), shortcut, visible, AutoCheck (checkable) and the click (trigger). An
// action-side change reaches the item only while the item's value still equals what the action had, so
// a value set on the item alone stays.
class TTKCustomItemActionLink : public QObject {
public:
    TTKCustomItemActionLink(TTKCustomItem& item, QAction& action);
    ~TTKCustomItemActionLink() override;

    QAction* Action() const { return action_.data(); }
    void Execute();
    // Brings the linked values of the item up to the action's.
    void Update();
    bool IsAutoCheckLinked() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Values {
        QString caption;
        bool checked = false;
        bool enabled = true;
        int helpContext = 0;
        QString hint;
        int imageIndex = -1;
        QKeySequence shortCut;
        bool visible = true;
        bool autoCheck = false;
    };
    Values ReadAction() const;
    void ActionChanged();

    TTKCustomItem& item_;
    QPointer<QAction> action_;
    Values seen_;
};

} // namespace quarn
