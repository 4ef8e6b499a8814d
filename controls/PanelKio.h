#pragma once

#include "controls/ThemeMode.h"
#include "controls/UxTheme.h"

#include <QWidget>

namespace quarn {

enum class TBevelCut { bvNone, bvLowered, bvRaised };

// A panel that can leave its face to the visual style: the frames only (tmNoPaint) or a themed tab
// page body (tmTabBody); tmDefault paints bevels, face and centred caption as a plain panel.
class TPanelKio : public QWidget {
public:
    explicit TPanelKio(QWidget* parent = nullptr);

    TThemeMode ThemeMode() const { return themeMode_; }
    void SetThemeMode(TThemeMode mode);
    TBevelCut BevelOuter() const { return bevelOuter_; }
    void SetBevelOuter(TBevelCut cut);
    TBevelCut BevelInner() const { return bevelInner_; }
    void SetBevelInner(TBevelCut cut);
    int BevelWidth() const { return bevelWidth_; }
    void SetBevelWidth(int width);
    int BorderWidth() const { return borderWidth_; }
    void SetBorderWidth(int width);
    QString Caption() const { return caption_; }
    void SetCaption(const QString& caption);
    // Whether the face takes the parent's colour; a non-default theme mode switches it off.
    bool ParentColor() const { return parentColor_; }
    void SetParentColor(bool parentColor);

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QColor FaceColor() const;
    // Bevels and border from the outside in; returns what is left inside them.
    QRect PaintFrames(QPainter& painter) const;

    TThemeMode themeMode_ = TThemeMode::tmDefault;
    TBevelCut bevelOuter_ = TBevelCut::bvRaised;
    TBevelCut bevelInner_ = TBevelCut::bvNone;
    int bevelWidth_ = 1;
    int borderWidth_ = 0;
    QString caption_;
    bool parentColor_ = false;
    HTHEME tabTheme_;
};

// Frame3D: `width` rings inside `rect`, top and left in `topLeft`, bottom and right in `bottomRight`;
// `rect` shrinks by the rings drawn.
void Frame3D(QPainter& painter, QRect& rect, const QColor& topLeft, const QColor& bottomRight, int width);

} // namespace quarn
