#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

class QAction;

namespace quarn {

class TButton97;

// Ties a TButton97 to a QAction: caption, enabled, visible and hint follow the action, and so do
// checked (as Down) and the action's "ImageIndex" and "HelpContext" properties, each only while the
// button's own value still equals the action's, so a value the button was given itself stays.
class TButton97ActionLink : public QObject {
public:
    TButton97ActionLink(TButton97& button, QAction& action);
    ~TButton97ActionLink() override;

    QAction* Action() const { return action_.data(); }
    // Triggers the action (a checkable one toggles its checked state, as a click on it does).
    void Execute();
    bool IsCheckedLinked() const;
    bool IsHelpContextLinked() const;
    bool IsImageIndexLinked() const;
    // The button's own values into the action: Down as checked, then the common ones.
    void AssignTo(QAction& action) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Seen {
        QString caption;
        QString hint;
        bool enabled = true;
        bool visible = true;
        bool checked = false;
        int helpContext = 0;
        int imageIndex = -1;
    };
    Seen Read() const;
    // With `defaults`, a value is taken when the button still has its default, else when it still
    // equals what the action had.
    void ActionChange(bool defaults);

    TButton97& button_;
    QPointer<QAction> action_;
    Seen seen_;
};

} // namespace quarn
