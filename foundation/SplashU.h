#pragma once

#include "foundation/DesignTexts.h"
#include "foundation/FormKioU.h"

#include <QPointer>

class QLabel;

namespace quarn {

// The start-up picture (the resource ":/Logo") with the version and a status line. The main window opens
// it at start (unless started by the bus or "SplashScreen" is off), reports progress through SetStatus
// and ends it with "Bereit." and CloseDelayed.
class TDlgSplash : public TFormKio {
    QUARN_DESIGN_TEXTS(TDlgSplash)

public:
    static constexpr int kWidth = 389;
    static constexpr int kHeight = 221;
    static constexpr int kCloseDelayMs = 1500;

    // Shows the splash centred on its owner (on the screen while the owner is not shown yet). The owner
    // (a Qt parent) owns it until CloseDelayed lets it go.
    static QPointer<TDlgSplash> Open(QWidget* owner);

    // Shows the status line and repaints at once, since the GUI thread is busy starting.
    void SetStatus(const QString& text);
    // Closes and frees the window 1500 ms from now.
    void CloseDelayed();

    const QLabel* VersionLabel() const { return labelVersion_; }
    const QLabel* StatusLabel() const { return labelStatus_; }
    const QLabel* LabelNzw() const { return labelNzw_; }
    const QLabel* Image() const { return image_; }

private:
    explicit TDlgSplash(QWidget* owner);

    QLabel* image_ = nullptr;
    QLabel* labelVersion_ = nullptr;
    QLabel* labelStatus_ = nullptr;
    QLabel* labelNzw_ = nullptr;
};

} // namespace quarn
