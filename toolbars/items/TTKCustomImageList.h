#pragma once

#include <QImage>
#include <QObject>
#include <QPixmap>
#include <QPointer>
#include <vector>

namespace quarn {

// The images of items, all of one size, with other lists for the checked, disabled and hot states.
// A strip bitmap fills the list: cut into images of the list's size, fuchsia (0xFF00FF) transparent.
class TTKCustomImageList : public QObject {
    Q_OBJECT
public:
    TTKCustomImageList(int width, int height) : width_(width), height_(height) {}

    int Width() const { return width_; }
    int Height() const { return height_; }
    void SetSize(int width, int height);
    int Count() const { return static_cast<int>(images_.size()); }
    QPixmap Image(int index) const;
    void Add(const QPixmap& image);
    void Clear();
    // Replaces the images with the strip's pieces, left to right.
    void SetImagesBitmap(const QImage& strip);

    TTKCustomImageList* CheckedImages() const { return checkedImages_; }
    void SetCheckedImages(TTKCustomImageList* list) { SetStateList(checkedImages_, list); }
    TTKCustomImageList* DisabledImages() const { return disabledImages_; }
    void SetDisabledImages(TTKCustomImageList* list) { SetStateList(disabledImages_, list); }
    TTKCustomImageList* HotImages() const { return hotImages_; }
    void SetHotImages(TTKCustomImageList* list) { SetStateList(hotImages_, list); }

signals:
    void Changed();

private:
    void SetStateList(QPointer<TTKCustomImageList>& slot, TTKCustomImageList* list);

    int width_;
    int height_;
    std::vector<QPixmap> images_;
    QPointer<TTKCustomImageList> checkedImages_;
    QPointer<TTKCustomImageList> disabledImages_;
    QPointer<TTKCustomImageList> hotImages_;
};

} // namespace quarn
