#pragma once

#include <QComboBox>
#include <functional>

namespace quarn {

// An editable combo box that completes what is typed from its list in place (the rest selected, so
// typing on replaces it), drops an entry with Delete while its list is open, and lets Tab in the open
// list move the focus on.
class TComboBoxKio : public QComboBox {
public:
    explicit TComboBoxKio(QWidget* parent = nullptr);

    bool Complete() const { return complete_; }
    void SetComplete(bool complete) { complete_ = complete; }
    // Kept for the forms that set it; the open list needs no other keys here.
    bool ExtendedUI() const { return extendedUI_; }
    void SetExtendedUI(bool extendedUI) { extendedUI_ = extendedUI; }
    // Typed text shown in capitals.
    bool UpperCase() const { return upperCase_; }
    void SetUpperCase(bool upperCase) { upperCase_ = upperCase; }

    // May supply the completion of `typed` itself: set `handled` and `completion` (the part to add).
    std::function<void(TComboBoxKio& sender, const QString& typed, bool& handled, QString& completion)>
        OnComplete;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Edited(const QString& text);
    bool ListKey(QKeyEvent* event);
    void DeleteListEntry();

    bool complete_ = true;
    bool extendedUI_ = false;
    bool upperCase_ = false;
    int lastKey_ = 0;
    bool editing_ = false;
};

// The rest of the first entry of `entries` that begins with `typed` (case ignored), or a null string.
QString CompletionFrom(const QStringList& entries, const QString& typed);

} // namespace quarn
