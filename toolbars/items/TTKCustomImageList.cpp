#include "toolbars/items/TTKCustomImageList.h"

#include <QBitmap>

namespace quarn {

void TTKCustomImageList::SetSize(int width, int height) {
    if (width == width_ && height == height_) {
        return;
    }
    width_ = width;
    height_ = height;
    images_.clear();
    emit Changed();
}

QPixmap TTKCustomImageList::Image(int index) const {
    if (index < 0 || index >= Count()) {
        return {};
    }
    return images_[static_cast<std::size_t>(index)];
}

void TTKCustomImageList::Add(const QPixmap& image) {
    images_.push_back(image);
    emit Changed();
}

void TTKCustomImageList::Clear() {
    images_.clear();
    emit Changed();
}

void TTKCustomImageList::SetImagesBitmap(const QImage& strip) {
    images_.clear();
    if (width_ > 0 && height_ > 0) {
        const QImage argb = strip.convertToFormat(QImage::Format_ARGB32);
        for (int left = 0; left + width_ <= argb.width(); left += width_) {
            QImage piece = argb.copy(left, 0, width_, std::min(height_, argb.height()));
            for (int y = 0; y < piece.height(); ++y) {
                auto* line = reinterpret_cast<QRgb*>(piece.scanLine(y));
                for (int x = 0; x < piece.width(); ++x) {
                    if ((line[x] & 0xFFFFFF) == 0xFF00FF) {
                        line[x] = 0;
                    }
                }
            }
            images_.push_back(QPixmap::fromImage(piece));
        }
    }
    emit Changed();
}

void TTKCustomImageList::SetStateList(QPointer<TTKCustomImageList>& slot, TTKCustomImageList* list) {
    if (slot == list) {
        return;
    }
    slot = list;
    emit Changed();
}

} // namespace quarn
