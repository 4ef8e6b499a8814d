#pragma once

#include <QRect>
#include <QString>
#include <memory>

class QFontMetrics;
class QPainter;

namespace quarn {

class TTKCustomImageList;
class TTKCustomItem;
class TTKItemViewer;
class TTKView;

// What an item's ViewerClass names: the maker of its viewers. Two viewers have the same class when they
// came from the same maker.
using TTKItemViewerClass = std::unique_ptr<TTKItemViewer> (*)(TTKView& view, TTKCustomItem& item);

// One shown item in one view: its rectangle there and the answers to size and paint requests.
class TTKItemViewer {
public:
    TTKItemViewer(TTKView& view, TTKCustomItem& item);
    virtual ~TTKItemViewer();
    TTKItemViewer(const TTKItemViewer&) = delete;
    TTKItemViewer& operator=(const TTKItemViewer&) = delete;

    static std::unique_ptr<TTKItemViewer> Create(TTKView& view, TTKCustomItem& item);

    virtual void MeasureSize(const QFontMetrics& metrics, int& width, int& height);
    virtual void DrawCaptionText(QPainter& painter, const QRect& rect, const QString& caption, int flags);
    virtual void SelectionEntered();
    // The caption up to the first TAB; the rest is the shortcut text.
    virtual QString CaptionPart() const;
    virtual bool InButtonArea(int x, int y) const;
    virtual void SelectionLeft();
    virtual void PressCancelled();
    virtual void DrawViewer(QPainter& painter, const QRect& clientArea, bool selected, bool pushed,
                            bool disabledShadow);

    TTKCustomItem& Item() const { return *item_; }
    TTKView& View() const { return *view_; }
    // The maker this viewer came from.
    TTKItemViewerClass Class() const { return class_; }
    void SetClass(TTKItemViewerClass maker) { class_ = maker; }

    const QRect& BoundsRect() const { return bounds_; }
    bool Shown() const { return shown_; }
    bool OffEdge() const { return offEdge_; }
    bool Clipped() const { return clipped_; }
    bool LineSeparator() const { return lineSeparator_; }

    bool ButtonSized() const;
    bool ButtonStyled() const;
    bool TextVertical() const;
    bool ShowsImage() const;
    bool ShowsCaption() const;
    bool HasSubmenu() const;
    // The item's images, else those its view and the views above it offer for submenus.
    TTKCustomImageList* ImageList() const;

private:
    friend class TTKView;

    TTKView* view_;
    TTKCustomItem* item_;
    TTKItemViewerClass class_ = &TTKItemViewer::Create;
    QRect bounds_;
    bool shown_ = false;
    bool offEdge_ = false;
    bool clipped_ = false;
    bool lineSeparator_ = false;
};

// A separator: an etched line, or nothing when blank.
class TTKSeparatorItemViewer : public TTKItemViewer {
public:
    using TTKItemViewer::TTKItemViewer;
    static std::unique_ptr<TTKItemViewer> Create(TTKView& view, TTKCustomItem& item);

    void MeasureSize(const QFontMetrics& metrics, int& width, int& height) override;
    void DrawViewer(QPainter& painter, const QRect& clientArea, bool selected, bool pushed,
                    bool disabledShadow) override;
};

} // namespace quarn
