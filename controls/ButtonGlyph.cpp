#include "controls/ButtonGlyph.h"

#include <QApplication>
#include <QPainter>
#include <QPalette>
#include <algorithm>

namespace quarn {

namespace {

constexpr QRgb kWhite = 0xFFFFFF;
constexpr QRgb kSilver = 0xC0C0C0;
constexpr QRgb kGrey = 0x808080;

QRgb Rgb(QRgb pixel) {
    return pixel & 0xFFFFFF;
}

QColor ButtonHighlight() {
    return QApplication::palette().color(QPalette::Active, QPalette::Light);
}

QColor ButtonShadow() {
    return QApplication::palette().color(QPalette::Active, QPalette::Dark);
}

QColor ButtonFace() {
    return QApplication::palette().color(QPalette::Active, QPalette::Button);
}

// The pixels of the silhouette become one colour, every other pixel stays as it is in `target`.
void PaintSilhouette(QImage& target, const std::vector<bool>& silhouette, QSize size, QPoint at,
                     QColor colour) {
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x) {
            if (silhouette[static_cast<std::size_t>(y * size.width() + x)]) {
                target.setPixel(x + at.x(), y + at.y(), colour.rgba());
            }
        }
    }
}

struct DitherState {
    QRgb face = 0;
    QRgb highlight = 0;
    QBrush brush;
    bool made = false;
};

DitherState& Dither() {
    static DitherState state;
    return state;
}

std::weak_ptr<TGlyphCache>& CacheInstance() {
    static std::weak_ptr<TGlyphCache> cache;
    return cache;
}

} // namespace

int TGlyphList::Add(const QPixmap& image) {
    if (image.size() != size_) {
        throw EInvalidOperation("Invalid image size");
    }
    const auto free = std::find(used_.begin(), used_.end(), false);
    if (free != used_.end()) {
        const auto index = static_cast<std::size_t>(free - used_.begin());
        images_[index] = image;
        used_[index] = true;
        return static_cast<int>(index);
    }
    images_.push_back(image);
    used_.push_back(true);
    return static_cast<int>(images_.size() - 1);
}

void TGlyphList::Delete(int index) {
    const auto slot = static_cast<std::size_t>(index);
    if (index < 0 || slot >= used_.size()) {
        return;
    }
    used_[slot] = false;
    images_[slot] = QPixmap();
}

int TGlyphList::Count() const {
    return static_cast<int>(std::count(used_.begin(), used_.end(), true));
}

std::shared_ptr<TGlyphCache> TGlyphCache::Acquire() {
    std::shared_ptr<TGlyphCache> cache = CacheInstance().lock();
    if (!cache) {
        cache = std::make_shared<TGlyphCache>();
        CacheInstance() = cache;
    }
    return cache;
}

std::shared_ptr<TGlyphCache> TGlyphCache::Current() {
    return CacheInstance().lock();
}

std::shared_ptr<TGlyphList> TGlyphCache::List(QSize size) {
    std::erase_if(lists_, [](const std::weak_ptr<TGlyphList>& list) { return list.expired(); });
    // Newest first: the list made last is the one most likely asked for again.
    for (auto it = lists_.rbegin(); it != lists_.rend(); ++it) {
        std::shared_ptr<TGlyphList> list = it->lock();
        if (list && list->Size() == size) {
            return list;
        }
    }
    auto list = std::make_shared<TGlyphList>(size);
    lists_.push_back(list);
    return list;
}

int TGlyphCache::ListCount() {
    std::erase_if(lists_, [](const std::weak_ptr<TGlyphList>& list) { return list.expired(); });
    return static_cast<int>(lists_.size());
}

QBrush DitherBrush() {
    DitherState& state = Dither();
    const QRgb face = ButtonFace().rgb();
    const QRgb highlight = ButtonHighlight().rgb();
    if (!state.made || state.face != face || state.highlight != highlight) {
        QImage pattern(8, 8, QImage::Format_RGB32);
        for (int y = 0; y < 8; ++y) {
            for (int x = 0; x < 8; ++x) {
                pattern.setPixel(x, y, (x % 2) == (y % 2) ? highlight : face);
            }
        }
        state.brush = QBrush(pattern);
        state.face = face;
        state.highlight = highlight;
        state.made = true;
    }
    return state.brush;
}

void ReleaseDitherBrush() {
    Dither() = DitherState();
}

TButtonGlyph::TButtonGlyph() : cache_(TGlyphCache::Acquire()) {}

TButtonGlyph::~TButtonGlyph() {
    Invalidate();
}

void TButtonGlyph::SetGlyph(const QImage& glyph) {
    Invalidate();
    glyph_ = glyph.isNull() ? QImage() : glyph.convertToFormat(QImage::Format_ARGB32);
    transparent_ = glyph_.isNull() ? 0 : glyph_.pixel(0, glyph_.height() - 1);
}

void TButtonGlyph::SetGlyphMask(const QImage& mask) {
    Invalidate();
    mask_ = mask.isNull() ? QImage() : mask.convertToFormat(QImage::Format_RGB32);
}

void TButtonGlyph::SetImages(const QList<QPixmap>& images) {
    Invalidate();
    images_ = images;
}

void TButtonGlyph::SetImageIndex(int index) {
    if (index != imageIndex_) {
        Invalidate();
        imageIndex_ = index;
    }
}

void TButtonGlyph::SetNumGlyphs(int count) {
    count = std::clamp(count, 1, kButtonStates97);
    if (count != numGlyphs_) {
        Invalidate();
        numGlyphs_ = count;
    }
}

void TButtonGlyph::SetOldDisabledStyle(bool value) {
    if (value != oldDisabledStyle_) {
        Invalidate();
        oldDisabledStyle_ = value;
    }
}

QSize TButtonGlyph::ImageSize() const {
    if (HasImages()) {
        if (imageIndex_ < 0 || imageIndex_ >= images_.size()) {
            return {0, 0};
        }
        return images_.at(imageIndex_).size();
    }
    if (glyph_.isNull()) {
        return {0, 0};
    }
    return {glyph_.width() / numGlyphs_, glyph_.height()};
}

void TButtonGlyph::Invalidate() {
    for (Slot& slot : slots_) {
        if (slot.list) {
            for (int& index : slot.index) {
                slot.list->Delete(index);
                index = -1;
            }
            slot.list.reset();
        }
    }
}

QImage TButtonGlyph::SourceImage(int column) const {
    if (HasImages()) {
        return images_.at(imageIndex_).toImage().convertToFormat(QImage::Format_ARGB32);
    }
    const QSize size = ImageSize();
    return glyph_.copy(column * size.width(), 0, size.width(), size.height());
}

QImage TButtonGlyph::ApplyMask(QImage image, int column) const {
    // An image list's pictures carry their mask as alpha already.
    if (HasImages()) {
        return image;
    }
    const int left = column * image.width();
    const bool byMask = !mask_.isNull();
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            bool clear = false;
            if (byMask) {
                const int mx = left + x;
                clear = mx < mask_.width() && y < mask_.height() && Rgb(mask_.pixel(mx, y)) == kWhite;
            } else {
                const QRgb pixel = image.pixel(x, y);
                clear = pixel == transparent_ || qAlpha(pixel) == 0;
            }
            if (clear) {
                image.setPixel(x, y, 0);
            }
        }
    }
    return image;
}

QPixmap TButtonGlyph::BuildDisabled() const {
    const QSize size = ImageSize();
    QImage result(size + QSize(1, 1), QImage::Format_ARGB32);
    result.fill(Qt::transparent);
    if (!HasImages() && numGlyphs_ >= 2) {
        // The glyph's own disabled column, its white and grey taken into the system's colours.
        QImage column = ApplyMask(SourceImage(1), 1);
        const QRgb highlight = ButtonHighlight().rgba();
        const QRgb shadow = ButtonShadow().rgba();
        for (int y = 0; y < column.height(); ++y) {
            for (int x = 0; x < column.width(); ++x) {
                const QRgb pixel = column.pixel(x, y);
                if (qAlpha(pixel) == 0) {
                    continue;
                }
                if (Rgb(pixel) == kWhite) {
                    column.setPixel(x, y, highlight);
                } else if (Rgb(pixel) == kGrey) {
                    column.setPixel(x, y, shadow);
                }
            }
        }
        QPainter painter(&result);
        painter.drawImage(0, 0, column);
        return QPixmap::fromImage(result);
    }

    // An embossed silhouette of the up image: highlight one pixel down and right, shadow over it.
    const QImage up = ApplyMask(SourceImage(0), 0);
    const bool fewColours = HasImages() || (glyph_.colorCount() > 0 && glyph_.colorCount() <= 16);
    std::vector<bool> silhouette(static_cast<std::size_t>(size.width() * size.height()), false);
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x) {
            const QRgb pixel = up.pixel(x, y);
            bool on = false;
            if (qAlpha(pixel) != 0) {
                if (!oldDisabledStyle_) {
                    on = Rgb(pixel) != kWhite && Rgb(pixel) != kSilver;
                } else if (fewColours) {
                    // A monochrome copy: the darker half of the picture.
                    on = qGray(pixel) < 128;
                } else {
                    on = Rgb(pixel) == 0;
                }
            }
            silhouette[static_cast<std::size_t>(y * size.width() + x)] = on;
        }
    }
    PaintSilhouette(result, silhouette, size, {1, 1}, ButtonHighlight());
    PaintSilhouette(result, silhouette, size, {0, 0}, ButtonShadow());
    return QPixmap::fromImage(result);
}

QPixmap TButtonGlyph::StateImage(TButtonState97 state) {
    const QSize size = ImageSize();
    if (size.isEmpty()) {
        return {};
    }
    const bool disabled = state == TButtonState97::bsDisabled;
    Slot& slot = slots_[disabled ? 1 : 0];
    const auto which = static_cast<std::size_t>(state);
    if (!slot.list) {
        slot.list = cache_->List(disabled ? size + QSize(1, 1) : size);
    }
    if (slot.index[which] < 0) {
        QPixmap image;
        if (disabled) {
            image = BuildDisabled();
        } else {
            // A state beyond the strip's images shows the up image.
            int column = static_cast<int>(state);
            if (HasImages() || column >= numGlyphs_) {
                column = 0;
            }
            image = QPixmap::fromImage(ApplyMask(SourceImage(column), column));
        }
        slot.index[which] = slot.list->Add(image);
    }
    return slot.list->Image(slot.index[which]);
}

void TButtonGlyph::Draw(QPainter& painter, QPoint at, TButtonState97 state) {
    const QPixmap image = StateImage(state);
    if (!image.isNull()) {
        painter.drawPixmap(at, image);
    }
}

} // namespace quarn
