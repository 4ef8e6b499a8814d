#pragma once

#include "platform/Exception.h"

#include <QBrush>
#include <QImage>
#include <QList>
#include <QPixmap>
#include <array>
#include <memory>
#include <vector>

class QPainter;

namespace quarn {

// An operation the object's state does not allow ("Invalid image size").
class EInvalidOperation : public Exception {
public:
    using Exception::Exception;
    std::string className() const override { return "EInvalidOperation"; }
};

// A button's look; also the column of each state in a glyph strip.
enum class TButtonState97 { bsUp = 0, bsDisabled = 1, bsDown = 2, bsExclusive = 3, bsMouseIn = 4 };
constexpr int kButtonStates97 = 5;

// Images of one size in slots that can be freed and used again.
class TGlyphList {
public:
    explicit TGlyphList(QSize size) : size_(size) {}
    QSize Size() const { return size_; }
    // Raises EInvalidOperation "Invalid image size" for an image of another size.
    int Add(const QPixmap& image);
    void Delete(int index);
    const QPixmap& Image(int index) const { return images_.at(static_cast<std::size_t>(index)); }
    int Count() const;

private:
    QSize size_;
    std::vector<QPixmap> images_;
    std::vector<bool> used_;
};

// The process's glyph lists, one per image size; it lives while any glyph object does, and a list lives
// while any glyph holds images in it.
class TGlyphCache {
public:
    static std::shared_ptr<TGlyphCache> Acquire();
    // The live process-wide cache, null while no glyph object exists.
    static std::shared_ptr<TGlyphCache> Current();

    std::shared_ptr<TGlyphList> List(QSize size);
    int ListCount();

private:
    std::vector<std::weak_ptr<TGlyphList>> lists_;
};

// The dithered background of a down grouped button: button face with the highlight colour on every
// other pixel, made once and made again only when either colour has changed.
QBrush DitherBrush();
// Drops the process's dither bitmap (when the last button goes).
void ReleaseDitherBrush();

// The glyph of a 97-style button: a strip of up to five state images (or one image of an image list)
// and the state images built from it once, on first use, into the shared glyph lists.
class TButtonGlyph {
public:
    TButtonGlyph();
    ~TButtonGlyph();
    TButtonGlyph(const TButtonGlyph&) = delete;
    TButtonGlyph& operator=(const TButtonGlyph&) = delete;

    const QImage& Glyph() const { return glyph_; }
    void SetGlyph(const QImage& glyph);
    const QImage& GlyphMask() const { return mask_; }
    // White pixels of the mask are transparent.
    void SetGlyphMask(const QImage& mask);
    const QList<QPixmap>& Images() const { return images_; }
    void SetImages(const QList<QPixmap>& images);
    bool HasImages() const { return !images_.isEmpty(); }
    int ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int index);
    int NumGlyphs() const { return numGlyphs_; }
    void SetNumGlyphs(int count);
    bool OldDisabledStyle() const { return oldDisabledStyle_; }
    void SetOldDisabledStyle(bool value);

    // The glyph's bottom-left pixel; the pixels of that colour are transparent when there is no mask.
    QRgb TransparentColor() const { return transparent_; }
    // The size of one state image; 0 x 0 when there is nothing to show.
    QSize ImageSize() const;
    // The built state image (the disabled one is a pixel wider and taller); builds it when needed.
    QPixmap StateImage(TButtonState97 state);
    void Draw(QPainter& painter, QPoint at, TButtonState97 state);
    // Forgets the built images (after a change of the glyph, the mask or the system colours).
    void Invalidate();

private:
    struct Slot {
        std::shared_ptr<TGlyphList> list;
        std::array<int, kButtonStates97> index{-1, -1, -1, -1, -1};
    };
    QImage SourceImage(int column) const;
    QImage ApplyMask(QImage image, int column) const;
    QPixmap BuildDisabled() const;

    std::shared_ptr<TGlyphCache> cache_;
    QImage glyph_;
    QImage mask_;
    QList<QPixmap> images_;
    int imageIndex_ = -1;
    int numGlyphs_ = 1;
    QRgb transparent_ = 0;
    bool oldDisabledStyle_ = false;
    std::array<Slot, 2> slots_;
};

} // namespace quarn
