#pragma once

#include "controls/UxTheme.h"

#include <QObject>
#include <QPointer>
#include <QRect>
#include <array>
#include <functional>

class QPainter;
class QWidget;

namespace quarn {

// The element kinds in their fixed order; the text beside each is its visual-style class name.
enum class TThemedElement {
    teButton,
    teClock,
    teComboBox,
    teEdit,
    teExplorerBar,
    teHeader,
    teListView,
    teMenu,
    tePage,
    teProgress,
    teRebar,
    teScrollBar,
    teSpin,
    teStartPanel,
    teStatus,
    teTab,
    teTaskBand,
    teTaskBar,
    teToolBar,
    teToolTip,
    teTrackBar,
    teTrayNotify,
    teTreeview,
    teWindow
};
inline constexpr int kThemedElementCount = 24;
const char* ThemedElementClassName(TThemedElement element);

struct TThemedElementDetails {
    TThemedElement element = TThemedElement::teButton;
    int part = 0;
    int state = 0;
    bool operator==(const TThemedElementDetails&) const = default;
};

// A named detail of an element kind (0 any part, 1 the root, then the parts' states in order) as its
// part and state.
TThemedElementDetails ElementPartState(TThemedElement element, int detail);

// The app properties a theme applies to: bits 0 to 2 of the theme options.
inline constexpr unsigned STAP_ALLOW_NONCLIENT = 1;
inline constexpr unsigned STAP_ALLOW_CONTROLS = 2;
inline constexpr unsigned STAP_ALLOW_WEBCONTENT = 4;

// One handle per element kind over the application's style, and the drawing of elements. With a window,
// a style change of that window (the theme-changed message) refreshes the state and raises the change.
class TThemeServices : public QObject {
public:
    explicit TThemeServices(QWidget* window = nullptr);
    ~TThemeServices() override;
    TThemeServices(const TThemeServices&) = delete;
    TThemeServices& operator=(const TThemeServices&) = delete;

    // There is no library to load: the style is always there.
    bool ThemesAvailable() const { return true; }
    bool ThemesInUse() const { return themesInUse_; }
    bool ThemingActive() const { return ThemesAvailable() && ThemesInUse(); }
    // Closes every open handle when themes were in use, then asks the application style again.
    void RefreshThemeState();
    // Opened on first use while themes are in use; null otherwise or for a kind the style cannot draw.
    const TThemeData* ThemeHandle(TThemedElement element);
    bool HandleOpen(TThemedElement element) const;

    unsigned GetThemeAppProperties() const { return appProperties_; }
    void SetThemeAppProperties(unsigned properties) { appProperties_ = properties & 7U; }

    void DrawElement(QPainter& painter, const TThemedElementDetails& details, const QRect& rect,
                     const QRect* clip = nullptr);
    QRect ContentRect(const TThemedElementDetails& details, const QRect& bounds);
    void DrawEdge(QPainter& painter, const TThemedElementDetails& details, const QRect& rect, int edge);
    void DrawText(QPainter& painter, const TThemedElementDetails& details, const QString& text,
                  const QRect& rect);
    // Paints what the parent of `window` shows under `rect` (in the window's coordinates, all of it when
    // null). Given details and `onlyIfTransparent`, only when the element lets the background through.
    void DrawParentBackdrop(const QWidget& window, QPainter& painter, const TThemedElementDetails* details,
                            bool onlyIfTransparent, const QRect* rect = nullptr);

    std::function<void()> OnThemeChange;

protected:
    virtual void DoOnThemeChange();
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QWidget> window_;
    bool themesInUse_ = false;
    unsigned appProperties_ = STAP_ALLOW_NONCLIENT | STAP_ALLOW_CONTROLS | STAP_ALLOW_WEBCONTENT;
    std::array<HTHEME, kThemedElementCount> handles_;
};

// Whether the element leaves part of its rectangle to what lies below it.
bool IsElementPartiallyTransparent(const TThemedElementDetails& details);

} // namespace quarn
