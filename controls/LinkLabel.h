#pragma once

#include "controls/LinkParser.h"
#include "controls/LinkRenderer.h"

#include <QCursor>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <memory>

namespace quarn {

// How a control sits in its parent; a label that fills its place (left, right, client) keeps its height.
enum class TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };

// A caption in the link mark-up, word-wrapped inside the control, with links that light up and report
// clicks. The layout is made when the caption, the font or the width changes (the height follows the
// text then, with AutoHeight); painting draws that layout with each link in its current state.
class TLinkLabel : public QWidget, private IDynamicNodeHandler {
    Q_OBJECT

public:
    explicit TLinkLabel(QWidget* parent = nullptr);
    ~TLinkLabel() override;

    QString Caption() const { return caption_; }
    void SetCaption(const QString& caption);
    // The caption as lines; setting them joins them into the caption.
    QStringList Text() const { return caption_.isEmpty() ? QStringList() : QStringList{caption_}; }
    void SetText(const QStringList& lines) { SetCaption(lines.join(QString())); }

    bool Transparent() const { return transparent_; }
    void SetTransparent(bool transparent);
    std::uint32_t LinkColor() const { return linkColor_; }
    void SetLinkColor(std::uint32_t color);
    std::uint32_t LinkColorClicked() const { return linkColorClicked_; }
    void SetLinkColorClicked(std::uint32_t color) { linkColorClicked_ = color; }
    std::uint32_t LinkColorHot() const { return linkColorHot_; }
    void SetLinkColorHot(std::uint32_t color) { linkColorHot_ = color; }
    TFontStyles LinkStyle() const { return linkStyle_; }
    void SetLinkStyle(TFontStyles styles);
    bool HotLinks() const { return hotLinks_; }
    void SetHotLinks(bool hotLinks) { hotLinks_ = hotLinks; }
    bool AutoHeight() const { return autoHeight_; }
    void SetAutoHeight(bool autoHeight);
    int MarginWidth() const { return marginWidth_; }
    void SetMarginWidth(int margin);
    int MarginHeight() const { return marginHeight_; }
    void SetMarginHeight(int margin);
    TAlign Align() const { return align_; }
    void SetAlign(TAlign align);
    // The background colour as a stored colour value (clWindow at first).
    std::uint32_t Color() const { return color_; }
    void SetColor(std::uint32_t color);
    static QString AboutMe() { return QStringLiteral("Version: 2.00"); }

    // Asked for the mark-up of each DYNAMIC element by its number (the source is empty at first).
    std::function<void(QString& source, int number)> OnDynamicTagInit;

    // The parsed caption, and the link last made hot or clicked.
    TNodeTree* Tree() const { return tree_.get(); }
    TLinkNode* ActiveLink() const { return active_; }
    // The link whose text is under the point, or nullptr.
    TLinkNode* LinkAt(QPoint point) const;
    // The bottom of the laid-out text, from the control's top.
    int TextHeight() const;

    QSize sizeHint() const override { return {160, 17}; }

signals:
    void LinkClick(int linkNumber, const QString& linkText);
    void CaptionChanged();

protected:
    virtual std::shared_ptr<TDefaultParser> CreateParser();
    virtual std::shared_ptr<TDefaultRenderer> CreateRenderer();

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void DynamicNodeSource(const TDynamicNode& node, QString& source) override;
    // The renderer with the label's link colours and style.
    TDefaultRenderer& Renderer();
    void Render(TLinkCanvas& canvas);
    TLinkRect TextRect() const;
    void CopyFontIntoRoot();
    // Lays the caption out for the current font and width and lets the height follow it.
    void LayOut();
    void SetLinkState(TLinkNode& link, TLinkState state);
    void ReturnActiveToNormal();
    void UpdateLink(const TLinkNode& link);
    bool ActiveIsClicked() const { return active_ != nullptr && active_->state == TLinkState::Clicked; }

    QString caption_;
    std::shared_ptr<TDefaultParser> parser_;
    std::shared_ptr<TDefaultRenderer> renderer_;
    std::unique_ptr<TNodeTree> tree_;
    TLinkNode* active_ = nullptr;
    QCursor savedCursor_;
    std::uint32_t linkColor_ = 0xFF0000U;        // clBlue
    std::uint32_t linkColorClicked_ = 0x0000FFU; // clRed
    std::uint32_t linkColorHot_ = 0x800080U;     // clPurple
    TFontStyles linkStyle_ = fsUnderline;
    bool transparent_ = false;
    bool hotLinks_ = false;
    bool autoHeight_ = true;
    int marginWidth_ = 0;
    int marginHeight_ = 0;
    TAlign align_ = TAlign::alNone;
    std::uint32_t color_ = 0x80000005U;
    int laidOutWidth_ = -1;
};

} // namespace quarn
