#include "controls/ThemeServicesU.h"

#include <QApplication>
#include <QEvent>
#include <QPainter>
#include <QRegion>
#include <QWidget>
#include <initializer_list>
#include <vector>

namespace quarn {
namespace {

constexpr const char* kClassNames[kThemedElementCount] = {
    "button",   "clock",    "combobox", "edit",      "explorerbar", "header",     "listview", "menu",
    "page",     "progress", "rebar",    "scrollbar", "spin",        "startpanel", "status",   "tab",
    "taskband", "taskbar",  "toolbar",  "tooltip",   "trackbar",    "traynotify", "treeview", "window"};

// First and last detail value of a group, and the part it is.
struct TDetailGroup {
    int first;
    int last;
    int part;
};

// Groups of `count` consecutive parts of `size` values each, starting at value 2 with part 1.
template <int N> constexpr std::array<TDetailGroup, N> EvenGroups(int size) {
    std::array<TDetailGroup, N> groups{};
    for (int i = 0; i < N; ++i) {
        groups[i] = {2 + i * size, 1 + (i + 1) * size, i + 1};
    }
    return groups;
}

constexpr TDetailGroup kButtonGroups[] = {{2, 6, 1}, {7, 14, 2}, {15, 26, 3}, {27, 28, 4}, {29, 29, 5}};
constexpr TDetailGroup kEditGroups[] = {{2, 8, 1}, {9, 9, 2}};
constexpr TDetailGroup kRebarGroups[] = {{2, 2, 1}, {3, 3, 2}, {4, 9, 3}, {10, 13, 4}, {14, 17, 5}};
constexpr TDetailGroup kStatusGroups[] = {{2, 2, 1}, {3, 3, 2}, {4, 4, 3}};
constexpr TDetailGroup kTabPanes[] = {{42, 42, 9}, {43, 43, 10}};
constexpr auto kTabItems = EvenGroups<8>(5);
constexpr auto kToolbarGroups = EvenGroups<6>(6);
constexpr TDetailGroup kTrackbarGroups[] = {{2, 2, 1},   {3, 3, 2},   {4, 8, 3},   {9, 13, 4},  {14, 18, 5},
                                            {19, 23, 6}, {24, 28, 7}, {29, 33, 8}, {34, 34, 9}, {35, 35, 10}};

template <typename Groups> bool FindIn(const Groups& groups, int detail, TThemedElementDetails& result) {
    for (const TDetailGroup& group : groups) {
        if (detail >= group.first && detail <= group.last) {
            result.part = group.part;
            result.state = detail - group.first + 1;
            return true;
        }
    }
    return false;
}

bool FindGroup(TThemedElement element, int detail, TThemedElementDetails& result) {
    switch (element) {
    case TThemedElement::teButton:
        return FindIn(kButtonGroups, detail, result);
    case TThemedElement::teEdit:
        return FindIn(kEditGroups, detail, result);
    case TThemedElement::teRebar:
        return FindIn(kRebarGroups, detail, result);
    case TThemedElement::teStatus:
        return FindIn(kStatusGroups, detail, result);
    case TThemedElement::teTab:
        return FindIn(kTabItems, detail, result) || FindIn(kTabPanes, detail, result);
    case TThemedElement::teToolBar:
        return FindIn(kToolbarGroups, detail, result);
    case TThemedElement::teTrackBar:
        return FindIn(kTrackbarGroups, detail, result);
    default:
        return false;
    }
}

} // namespace

const char* ThemedElementClassName(TThemedElement element) {
    return kClassNames[static_cast<int>(element)];
}

TThemedElementDetails ElementPartState(TThemedElement element, int detail) {
    TThemedElementDetails result{element, 0, detail + 1};
    FindGroup(element, detail, result);
    return result;
}

bool IsElementPartiallyTransparent(const TThemedElementDetails& details) {
    // Rounded buttons, frames and flat tool buttons let the parent show at their corners or inside.
    switch (details.element) {
    case TThemedElement::teButton:
    case TThemedElement::teToolBar:
    case TThemedElement::teTrackBar:
        return true;
    default:
        return false;
    }
}

TThemeServices::TThemeServices(QWidget* window) : window_(window) {
    if (window != nullptr) {
        window->installEventFilter(this);
    }
    RefreshThemeState();
}

TThemeServices::~TThemeServices() {
    if (window_) {
        window_->removeEventFilter(this);
    }
}

void TThemeServices::RefreshThemeState() {
    if (themesInUse_) {
        for (HTHEME& handle : handles_) {
            CloseThemeData(handle);
        }
    }
    themesInUse_ = ThemesAvailable() && IsThemeActive();
}

const TThemeData* TThemeServices::ThemeHandle(TThemedElement element) {
    if (!themesInUse_) {
        return nullptr;
    }
    HTHEME& handle = handles_[static_cast<int>(element)];
    if (!handle) {
        handle = OpenThemeData(window_, QString::fromLatin1(ThemedElementClassName(element)));
    }
    return handle.get();
}

bool TThemeServices::HandleOpen(TThemedElement element) const {
    return handles_[static_cast<int>(element)] != nullptr;
}

void TThemeServices::DrawElement(QPainter& painter, const TThemedElementDetails& details, const QRect& rect,
                                 const QRect* clip) {
    if (const TThemeData* theme = ThemeHandle(details.element)) {
        DrawThemeBackground(*theme, painter, details.part, details.state, rect, clip);
    }
}

QRect TThemeServices::ContentRect(const TThemedElementDetails& details, const QRect& bounds) {
    const TThemeData* theme = ThemeHandle(details.element);
    return theme ? GetThemeBackgroundContentRect(*theme, details.part, details.state, bounds) : bounds;
}

void TThemeServices::DrawEdge(QPainter& painter, const TThemedElementDetails& details, const QRect& rect,
                              int edge) {
    if (const TThemeData* theme = ThemeHandle(details.element)) {
        DrawThemeEdge(*theme, painter, details.part, details.state, rect, edge);
    }
}

void TThemeServices::DrawText(QPainter& painter, const TThemedElementDetails& details, const QString& text,
                              const QRect& rect) {
    if (const TThemeData* theme = ThemeHandle(details.element)) {
        DrawThemeText(*theme, painter, details.part, details.state, text, rect);
    }
}

void TThemeServices::DrawParentBackdrop(const QWidget& window, QPainter& painter,
                                        const TThemedElementDetails* details, bool onlyIfTransparent,
                                        const QRect* rect) {
    if (onlyIfTransparent && details != nullptr && !IsElementPartiallyTransparent(*details)) {
        return;
    }
    const QRect area = rect != nullptr ? *rect : window.rect();
    QWidget* parent = window.parentWidget();
    if (parent == nullptr || window.isWindow()) {
        painter.fillRect(area, window.palette().color(window.backgroundRole()));
        return;
    }
    // What lies under the area: every ancestor from the window down paints its background and its own
    // face (frame, page) there, none of its children.
    std::vector<QWidget*> ancestors;
    for (QWidget* each = parent; each != nullptr; each = each->isWindow() ? nullptr : each->parentWidget()) {
        ancestors.push_back(each);
    }
    for (auto each = ancestors.rbegin(); each != ancestors.rend(); ++each) {
        QWidget& ancestor = **each;
        const bool background = ancestor.isWindow() || ancestor.autoFillBackground();
        ancestor.render(&painter, area.topLeft(),
                        QRegion(QRect(window.mapTo(&ancestor, area.topLeft()), area.size())),
                        background ? QWidget::DrawWindowBackground : QWidget::RenderFlags());
    }
}

void TThemeServices::DoOnThemeChange() {
    if (OnThemeChange) {
        OnThemeChange();
    }
}

bool TThemeServices::eventFilter(QObject* watched, QEvent* event) {
    if (watched == window_ && event->type() == QEvent::StyleChange) {
        RefreshThemeState();
        DoOnThemeChange();
    }
    return false;
}

} // namespace quarn
