#include "console/DragSource.h"

#include "platform/Codepage.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QDrag>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QTimer>
#include <QWidget>
#include <cstring>
#include <new>

namespace quarn {

namespace {

const QString kPlainText = QStringLiteral("text/plain");
const QString kUriList = QStringLiteral("text/uri-list");

// FILEGROUPDESCRIPTORA with one FILEDESCRIPTORA: the item count, then flags, and the name at 72 bytes
// into the descriptor, 260 bytes long.
constexpr int kDescriptorSize = 336;
constexpr int kFlagsOffset = 4;
constexpr int kNameOffset = 4 + 72;
constexpr int kNameSize = 260;
constexpr std::uint32_t kDescriptorFlags = 0x8000;

void Store32(char* at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        at[i] = static_cast<char>(value >> (8 * i));
    }
}

class TDragDataObject : public QMimeData {
public:
    TDragDataObject(QStringList formats, std::function<std::optional<QByteArray>(const QString&)> answer)
        : formats_(std::move(formats)), answer_(std::move(answer)) {}

    QStringList formats() const override { return formats_; }
    bool hasFormat(const QString& mimeType) const override { return formats_.contains(mimeType); }

protected:
    QVariant retrieveData(const QString& mimeType, QMetaType type) const override {
        const std::optional<QByteArray> data = answer_(mimeType);
        if (!data) {
            return {};
        }
        if (type.id() == QMetaType::QString) {
            return QString::fromUtf8(*data);
        }
        return *data;
    }

private:
    QStringList formats_;
    std::function<std::optional<QByteArray>(const QString&)> answer_;
};

// Watches the drag loop for the release of the buttons ahead of the platform's own handling, so that
// the source can refuse the drop. Filters run latest first, and the platform installs its own only when
// the loop starts: this one is installed from inside the loop.
class TDropVeto : public QObject {
public:
    explicit TDropVeto(TDragSource& source) : source_(source) {
        QTimer::singleShot(0, this, [this] { QCoreApplication::instance()->installEventFilter(this); });
    }
    ~TDropVeto() override { QCoreApplication::instance()->removeEventFilter(this); }
    TDropVeto(const TDropVeto&) = delete;
    TDropVeto& operator=(const TDropVeto&) = delete;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() != QEvent::MouseButtonRelease) {
            return false;
        }
        const auto* release = static_cast<const QMouseEvent*>(event);
        if (source_.QueryContinueDrag(false, release->buttons()) != TDragContinue::Cancel) {
            return false;
        }
        QDrag::cancel();
        return true;
    }

private:
    TDragSource& source_;
};

} // namespace

TDragResult DragResultOf(Qt::DropActions effect, TDragTypes allowed) {
    const auto granted = static_cast<unsigned>(effect.toInt()) & allowed;
    if (granted & dtCopy) {
        return TDragResult::Copied;
    }
    if (granted & dtMove) {
        return TDragResult::Moved;
    }
    if (granted & dtLink) {
        return TDragResult::Linked;
    }
    return TDragResult::Cancelled;
}

TDragContinue TDragSource::QueryContinueDrag(bool escapePressed, Qt::MouseButtons buttons) {
    if (escapePressed) {
        return TDragContinue::Cancel;
    }
    if (buttons & (Qt::LeftButton | Qt::RightButton)) {
        return TDragContinue::Continue;
    }
    const auto effect = static_cast<unsigned>(feedbackEffect_);
    TDragType dropType{};
    if (effect & Qt::CopyAction) {
        dropType = dtCopy;
    } else if (effect & Qt::MoveAction) {
        dropType = dtMove;
    } else if (effect & Qt::LinkAction) {
        dropType = dtLink;
    } else {
        return TDragContinue::Cancel;
    }
    if ((dropType & dragtypes_) == 0) {
        return TDragContinue::Cancel;
    }
    bool continueDrop = true;
    if (OnDrop) {
        OnDrop(*this, dropType, continueDrop);
    }
    return continueDrop ? TDragContinue::Drop : TDragContinue::Cancel;
}

void TDragSource::GiveFeedback(Qt::DropAction effect) {
    feedbackEffect_ = effect;
    if (OnFeedback) {
        OnFeedback(*this, effect);
    }
}

TDragSource::TDragSource(QObject* parent) : QObject(parent) {}

TDragSource::~TDragSource() = default;

void TDragSource::AddFormat(const QString& mimeType) {
    if (static_cast<std::size_t>(formats_.size()) >= kMaxFormats) {
        return;
    }
    formats_.append(mimeType);
}

void TDragSource::SetImages(std::vector<QPixmap> images) {
    images_ = std::move(images);
    imageIndex_ = 0;
    showImage_ = !images_.empty();
}

void TDragSource::SetImageIndex(int index) {
    imageIndex_ = index;
    if (index < 0 || static_cast<std::size_t>(index) >= images_.size()) {
        showImage_ = false;
    }
}

void TDragSource::SetShowImage(bool show) {
    showImage_ = show && !images_.empty();
}

std::unique_ptr<QMimeData> TDragSource::MakeDataObject() const {
    return std::make_unique<TDragDataObject>(formats_, DataSnapshot());
}

TDragResult TDragSource::Execute(QWidget* source) {
    try {
        if (QGuiApplication::platformName() == QLatin1String("offscreen")) {
            return TDragResult::Cancelled;
        }
        auto owned = std::make_unique<QDrag>(source);
        owned->setMimeData(MakeDataObject().release());
        if (showImage_ && static_cast<std::size_t>(imageIndex_) < images_.size()) {
            owned->setPixmap(images_[static_cast<std::size_t>(imageIndex_)]);
            owned->setHotSpot(hotSpot_);
        }
        feedbackEffect_ = Qt::IgnoreAction;
        connect(owned.get(), &QDrag::actionChanged, this, &TDragSource::GiveFeedback);
        Qt::DropActions allowed;
        allowed.setFlag(Qt::CopyAction, (dragtypes_ & dtCopy) != 0);
        allowed.setFlag(Qt::MoveAction, (dragtypes_ & dtMove) != 0);
        allowed.setFlag(Qt::LinkAction, (dragtypes_ & dtLink) != 0);
        const TDropVeto veto(*this);
        // From exec on Qt owns the drag: a target outside the program reads the data after the drop,
        // and Qt frees drag and data once that target is done.
        const Qt::DropAction effect = owned.release()->exec(allowed);
        return DragResultOf(effect, dragtypes_);
    } catch (const std::bad_alloc&) {
        return TDragResult::OutOfMemory;
    } catch (const std::exception&) {
        return TDragResult::Failed;
    }
}

bool TDragSource::CopyToClipboard() {
    feedbackEffect_ = Qt::CopyAction;
    return CutOrCopyToClipboard();
}

bool TDragSource::CutToClipboard() {
    feedbackEffect_ = Qt::MoveAction;
    return CutOrCopyToClipboard();
}

const QString TDragTextSource::kFileGroupDescriptor =
    QStringLiteral("application/x-qt-windows-mime;value=\"FileGroupDescriptor\"");
const QString TDragTextSource::kFileContents =
    QStringLiteral("application/x-qt-windows-mime;value=\"FileContents\"");

TDragTextSource::TDragTextSource(QObject* parent)
    : TDragSource(parent), scrap_(std::make_shared<const TTextScrap>(std::string())) {
    AddFormat(kPlainText);
    AddFormat(kUriList);
}

void TDragTextSource::SetText(std::string text) {
    // A data object already made keeps the scrap of its own text.
    scrap_ = std::make_shared<const TTextScrap>(std::move(text));
}

std::optional<QByteArray> TDragTextSource::GetData(const QString& mimeType) const {
    return TextDragData(*scrap_, mimeType);
}

bool TDragTextSource::CutOrCopyToClipboard() {
    if (Text().empty()) {
        return false;
    }
    QGuiApplication::clipboard()->setText(Cp1252ToQString(Text()));
    return true;
}

std::function<std::optional<QByteArray>(const QString&)> TDragTextSource::DataSnapshot() const {
    return [scrap = scrap_](const QString& mimeType) { return TextDragData(*scrap, mimeType); };
}

std::optional<QByteArray> TextDragData(const TTextScrap& scrap, const QString& mimeType) {
    if (mimeType == kPlainText || mimeType == TDragTextSource::kFileContents) {
        return QByteArray::fromStdString(Cp1252ToUtf8(scrap.Text()));
    }
    if (mimeType == TDragTextSource::kFileGroupDescriptor) {
        return FileGroupDescriptor(TDragTextSource::kScrapFileName);
    }
    if (mimeType == kUriList) {
        return scrap.UriList();
    }
    return std::nullopt;
}

bool IsOwnDrag(const QMimeData& data) {
    return dynamic_cast<const TDragDataObject*>(&data) != nullptr;
}

QByteArray FileGroupDescriptor(const std::string& fileName) {
    QByteArray block(kDescriptorSize, '\0');
    Store32(block.data(), 1);
    Store32(block.data() + kFlagsOffset, kDescriptorFlags);
    const auto length = std::min<std::size_t>(fileName.size(), kNameSize - 1);
    std::memcpy(block.data() + kNameOffset, fileName.data(), length);
    return block;
}

} // namespace quarn
