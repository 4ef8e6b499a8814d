#pragma once

#include <QPoint>
#include <QString>
#include <functional>
#include <memory>

namespace quarn {

// The application's hint window class: every hint the program shows (a widget's, a console cell's, a
// channel button's) goes into a window made by the class registered here. Until one is registered the
// hints go to QToolTip.
class IHintWindow {
public:
    virtual ~IHintWindow() = default;
    // Shows `text` word-wrapped to at most `maxWidth` pixels, the window's top-left corner at
    // `screenPoint`. A CR or CR LF in the text breaks the line.
    virtual void ActivateHint(const QPoint& screenPoint, const QString& text, int maxWidth) = 0;
    virtual void ReleaseHint() = 0;
    virtual bool HintShown() const = 0;
    virtual QString HintText() const = 0;
};

using THintWindowClass = std::function<std::unique_ptr<IHintWindow>()>;

// Registers the application's hint window class; an empty one returns to QToolTip.
void SetHintWindowClass(THintWindowClass windowClass);
std::unique_ptr<IHintWindow> CreateHintWindow();

// The channel's hint (Ctrl+H) stays until the next hint, the next Ctrl+H or a system command closes it.
void ShowChannelHint(const QPoint& screenPoint, const QString& text, int maxWidth);
void CloseChannelHint();
// The channel's hint window while one is open, else null.
const IHintWindow* ChannelHint();

// The hint's text with CR LF and CR as line feeds.
QString HintLines(const QString& text);

} // namespace quarn
