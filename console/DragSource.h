#pragma once

#include "console/TextScrap.h"

#include <QMimeData>
#include <QObject>
#include <QPixmap>
#include <QPoint>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QWidget;

namespace quarn {

// The drop effects a drag allows (a set of bits).
enum TDragType : unsigned { dtCopy = 1, dtMove = 2, dtLink = 4 };
using TDragTypes = unsigned;

// Outcome of a drag.
enum class TDragResult { Copied = 0, Moved = 1, Linked = 2, Cancelled = 3, OutOfMemory = 4, Failed = 5 };

// What a finished drag gave: an effect the source allows, copy before move before link; anything else
// counts as cancelled.
TDragResult DragResultOf(Qt::DropActions effect, TDragTypes allowed);

// The source's answer to the drag loop: go on, drop here, or end the drag without a drop.
enum class TDragContinue { Continue, Drop, Cancel };

// One drag of data out of the program, and the data object the drop target reads. The data object is
// a copy of what the source offers, so it may outlive the source; it lists the offered formats, and a
// derived source may answer further formats when a target asks for them by name.
class TDragSource : public QObject {
    Q_OBJECT
public:
    static constexpr std::size_t kMaxFormats = 20;

    explicit TDragSource(QObject* parent = nullptr);
    ~TDragSource() override;

    TDragTypes Dragtypes() const { return dragtypes_; }
    void SetDragtypes(TDragTypes types) { dragtypes_ = types; }

    // Adds an offered format (a MIME type); a 21st is ignored.
    void AddFormat(const QString& mimeType);
    const QStringList& Formats() const { return formats_; }

    // The last effect the target reported during the drag.
    Qt::DropAction FeedbackEffect() const { return feedbackEffect_; }
    std::function<void(TDragSource& sender, Qt::DropAction effect)> OnFeedback;
    // The drag loop reports the effect of the target under the pointer: stored, then OnFeedback.
    void GiveFeedback(Qt::DropAction effect);
    // Asked when the buttons are released over a target that takes the drop with `dropType`; clearing
    // `continueDrop` refuses it and the drag ends as cancelled.
    std::function<void(TDragSource& sender, TDragType dropType, bool& continueDrop)> OnDrop;

    // Escape cancels; while the left or right button is held the drag goes on; on their release the
    // drop takes the target's last effect, copy before move before link, when the source allows it and
    // OnDrop does not refuse it.
    TDragContinue QueryContinueDrag(bool escapePressed, Qt::MouseButtons buttons);

    // The optional drag image.
    const std::vector<QPixmap>& Images() const { return images_; }
    // Resets ImageIndex to 0; ShowImage follows whether there are images.
    void SetImages(std::vector<QPixmap> images);
    int ImageIndex() const { return imageIndex_; }
    // An index outside the images switches the image off.
    void SetImageIndex(int index);
    bool ShowImage() const { return showImage_; }
    // Cannot be on without images.
    void SetShowImage(bool show);
    QPoint HotSpot() const { return hotSpot_; }
    void SetHotSpot(QPoint hotSpot) { hotSpot_ = hotSpot; }

    // The data for one format, or nothing when the source does not offer it.
    virtual std::optional<QByteArray> GetData(const QString& mimeType) const = 0;

    // A data object for a drag or the clipboard: the offered formats and the data they give.
    std::unique_ptr<QMimeData> MakeDataObject() const;

    // Runs the modal drag loop from `source` (GUI thread). Cannot run on a platform without a drag
    // loop (offscreen): the drag then ends as cancelled at once. The data object may outlive the call:
    // a target outside the program may still read it after the drop.
    TDragResult Execute(QWidget* source);

    bool CopyToClipboard();
    bool CutToClipboard();

protected:
    // Puts the data on the clipboard; false when there is nothing to put there.
    virtual bool CutOrCopyToClipboard() { return false; }
    // A frozen copy of the source's answers, for the data object.
    virtual std::function<std::optional<QByteArray>(const QString&)> DataSnapshot() const = 0;

private:
    TDragTypes dragtypes_ = dtCopy;
    QStringList formats_;
    Qt::DropAction feedbackEffect_ = Qt::IgnoreAction;
    std::vector<QPixmap> images_;
    int imageIndex_ = 0;
    bool showImage_ = false;
    QPoint hotSpot_{16, 16};
};

// A drag of a text (Windows-1252 bytes). It offers "text/plain" and, for file managers, the text as the
// file "Text Scrap File.txt" ("text/uri-list"); a target that asks for it gets it as a file-group
// descriptor with the contents too, as on Windows. The scrap file lasts as long as this source or a data
// object made from it.
class TDragTextSource : public TDragSource {
    Q_OBJECT
public:
    static constexpr const char* kScrapFileName = TTextScrap::kFileName;
    static const QString kFileGroupDescriptor;
    static const QString kFileContents;

    explicit TDragTextSource(QObject* parent = nullptr);

    const std::string& Text() const { return scrap_->Text(); }
    void SetText(std::string text);

    std::optional<QByteArray> GetData(const QString& mimeType) const override;

protected:
    bool CutOrCopyToClipboard() override;
    std::function<std::optional<QByteArray>(const QString&)> DataSnapshot() const override;

private:
    std::shared_ptr<const TTextScrap> scrap_;
};

// The answers of a text drag for one format.
std::optional<QByteArray> TextDragData(const TTextScrap& scrap, const QString& mimeType);

// True for the data object of a drag that started in this program. A console's text drag offers its
// text as a file as well; the program's own drop target, which takes files first, asks this and takes
// the text of its own drags.
bool IsOwnDrag(const QMimeData& data);

// The 336-byte file-group descriptor of one file: flags 0x8000 and the name.
QByteArray FileGroupDescriptor(const std::string& fileName);

} // namespace quarn
