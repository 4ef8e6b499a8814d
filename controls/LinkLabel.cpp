#include "controls/LinkLabel.h"

#include "controls/LinkFontCanvas.h"
#include "platform/SystemColor.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPointer>

namespace quarn {

TLinkLabel::TLinkLabel(QWidget* parent) : QWidget(parent) {
    resize(160, 17);
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent, true);
    savedCursor_ = cursor();
}

TLinkLabel::~TLinkLabel() = default;

std::shared_ptr<TDefaultParser> TLinkLabel::CreateParser() {
    return std::make_shared<TDefaultParser>();
}

std::shared_ptr<TDefaultRenderer> TLinkLabel::CreateRenderer() {
    return std::make_shared<TDefaultRenderer>();
}

void TLinkLabel::SetCaption(const QString& caption) {
    if (caption == caption_) {
        return;
    }
    caption_ = caption;
    active_ = nullptr;
    tree_.reset();
    if (!parser_) {
        parser_ = CreateParser();
        parser_->SetDynamicNodeHandler(this);
    }
    tree_ = parser_->Parse(caption_);
    CopyFontIntoRoot();
    LayOut();
    update();
    emit CaptionChanged();
}

void TLinkLabel::DynamicNodeSource(const TDynamicNode& node, QString& source) {
    source.clear();
    if (OnDynamicTagInit) {
        OnDynamicTagInit(source, node.number);
    }
}

void TLinkLabel::SetTransparent(bool transparent) {
    transparent_ = transparent;
    setAttribute(Qt::WA_OpaquePaintEvent, !transparent);
    update();
}

void TLinkLabel::SetLinkColor(std::uint32_t color) {
    if (color != linkColor_) {
        linkColor_ = color;
        update();
    }
}

void TLinkLabel::SetLinkStyle(TFontStyles styles) {
    if (styles != linkStyle_) {
        linkStyle_ = styles;
        if (tree_) {
            ClearWordInfo(tree_->Root());
        }
        LayOut();
        update();
    }
}

void TLinkLabel::SetAutoHeight(bool autoHeight) {
    autoHeight_ = autoHeight;
    if (!autoHeight_) {
        setMinimumHeight(0);
        setMaximumHeight(QWIDGETSIZE_MAX);
    }
    LayOut();
    update();
}

void TLinkLabel::SetMarginWidth(int margin) {
    marginWidth_ = margin;
    LayOut();
    update();
}

void TLinkLabel::SetMarginHeight(int margin) {
    marginHeight_ = margin;
    LayOut();
    update();
}

void TLinkLabel::SetAlign(TAlign align) {
    align_ = align;
    if (align_ == TAlign::alLeft || align_ == TAlign::alRight || align_ == TAlign::alClient) {
        setMinimumHeight(0);
        setMaximumHeight(QWIDGETSIZE_MAX);
    }
    LayOut();
}

void TLinkLabel::SetColor(std::uint32_t color) {
    color_ = color;
    update();
}

TDefaultRenderer& TLinkLabel::Renderer() {
    if (!renderer_) {
        renderer_ = CreateRenderer();
    }
    renderer_->linkColor = linkColor_;
    renderer_->linkColorClicked = linkColorClicked_;
    renderer_->linkColorHot = linkColorHot_;
    renderer_->linkStyle = linkStyle_;
    return *renderer_;
}

TLinkRect TLinkLabel::TextRect() const {
    return {marginWidth_, marginHeight_, width() - marginWidth_, height()};
}

void TLinkLabel::CopyFontIntoRoot() {
    if (!tree_) {
        return;
    }
    const QFont& labelFont = font();
    TFontStyles styles = 0;
    styles |= labelFont.bold() ? fsBold : 0;
    styles |= labelFont.italic() ? fsItalic : 0;
    styles |= labelFont.underline() ? fsUnderline : 0;
    styles |= labelFont.strikeOut() ? fsStrikeOut : 0;
    tree_->Root().styles = styles;
}

void TLinkLabel::Render(TLinkCanvas& canvas) {
    Renderer().RenderTree(canvas, TextRect(), *tree_);
}

int TLinkLabel::TextHeight() const {
    return renderer_ ? renderer_->TextHeight() : 0;
}

void TLinkLabel::LayOut() {
    laidOutWidth_ = width();
    if (!tree_) {
        return;
    }
    // The base font carries no styles of its own: the root's styles hold them.
    QFont plain = font();
    plain.setBold(false);
    plain.setItalic(false);
    plain.setUnderline(false);
    plain.setStrikeOut(false);
    TFontCanvas measuring(plain);
    Render(measuring);
    const bool followsText =
        align_ == TAlign::alNone || align_ == TAlign::alTop || align_ == TAlign::alBottom;
    if (autoHeight_ && followsText) {
        setFixedHeight(renderer_->TextHeight() + marginHeight_);
    }
}

void TLinkLabel::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    if (!transparent_) {
        painter.fillRect(rect(), ColorValueToQColor(color_));
    }
    if (!tree_) {
        return;
    }
    QFont plain = font();
    plain.setBold(false);
    plain.setItalic(false);
    plain.setUnderline(false);
    plain.setStrikeOut(false);
    TFontCanvas canvas(plain, &painter, event->region());
    Render(canvas);
}

void TLinkLabel::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (width() != laidOutWidth_) {
        LayOut();
    }
}

void TLinkLabel::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange && tree_) {
        CopyFontIntoRoot();
        ClearWordInfo(tree_->Root());
        LayOut();
        update();
    }
}

TLinkNode* TLinkLabel::LinkAt(QPoint point) const {
    return tree_ ? tree_->Root().LinkAtPoint(point) : nullptr;
}

void TLinkLabel::UpdateLink(const TLinkNode& link) {
    for (const TLinkRect& rect : link.Rects()) {
        update(QRect(QPoint(rect.left, rect.top), QPoint(rect.right, rect.bottom)));
    }
}

void TLinkLabel::SetLinkState(TLinkNode& link, TLinkState state) {
    if (&link == active_ && link.state == state) {
        return;
    }
    ReturnActiveToNormal();
    link.state = state;
    active_ = &link;
    UpdateLink(link);
}

void TLinkLabel::ReturnActiveToNormal() {
    if (active_ == nullptr) {
        return;
    }
    active_->state = TLinkState::Normal;
    UpdateLink(*active_);
    active_ = nullptr;
}

void TLinkLabel::mouseMoveEvent(QMouseEvent* event) {
    QWidget::mouseMoveEvent(event);
    TLinkNode* link = LinkAt(event->position().toPoint());
    if (link != nullptr) {
        setCursor(Qt::PointingHandCursor);
        if (hotLinks_ && !ActiveIsClicked()) {
            SetLinkState(*link, TLinkState::Hot);
        }
        return;
    }
    setCursor(savedCursor_);
    if (hotLinks_ && !ActiveIsClicked()) {
        ReturnActiveToNormal();
    }
}

void TLinkLabel::mousePressEvent(QMouseEvent* event) {
    QWidget::mousePressEvent(event);
    if (event->button() != Qt::LeftButton) {
        return;
    }
    if (TLinkNode* link = LinkAt(event->position().toPoint())) {
        SetLinkState(*link, TLinkState::Clicked);
    }
}

void TLinkLabel::mouseReleaseEvent(QMouseEvent* event) {
    QWidget::mouseReleaseEvent(event);
    if (event->button() != Qt::LeftButton) {
        return;
    }
    if (const TLinkNode* link = LinkAt(event->position().toPoint())) {
        const int number = link->number;
        const QString text = link->Text();
        ReturnActiveToNormal();
        // A handler may give the label a new caption or close its window.
        QPointer<TLinkLabel> alive(this);
        emit LinkClick(number, text);
        if (!alive) {
            return;
        }
    }
    ReturnActiveToNormal();
}

void TLinkLabel::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    if (hotLinks_ && !ActiveIsClicked()) {
        ReturnActiveToNormal();
    }
}

} // namespace quarn
