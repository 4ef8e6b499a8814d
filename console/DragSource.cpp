#include "console/DragSource.h"

#include "platform/Codepage.h"
#include "platform/XdgPaths.h"

#include <QClipboard>
#include <QDrag>
#include <QGuiApplication>
#include <QUrl>
#include <QWidget>
#include <cstring>
#include <fstream>
#include <new>
#include <system_error>

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

// The text scrap lives in the runtime folder: a drop target may read it after the drag has ended, and
// the folder is emptied when the session ends.
std::optional<QByteArray> ScrapFileUrl(const std::string& text) {
    const auto folder = QuarnFolderBelow(XdgRuntimeDir()) / "Text Scrap";
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    const auto name = folder / TDragTextSource::kScrapFileName;
    std::ofstream file(name, std::ios::binary | std::ios::trunc);
    const std::string utf8 = Cp1252ToUtf8(text);
    file.write(utf8.data(), static_cast<std::streamsize>(utf8.size()));
    file.close();
    if (!file) {
        return std::nullopt;
    }
    return QUrl::fromLocalFile(QString::fromStdString(name.string())).toEncoded() + "\r\n";
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
        auto drag = std::make_unique<QDrag>(source);
        drag->setMimeData(MakeDataObject().release());
        if (showImage_ && static_cast<std::size_t>(imageIndex_) < images_.size()) {
            drag->setPixmap(images_[static_cast<std::size_t>(imageIndex_)]);
            drag->setHotSpot(hotSpot_);
        }
        feedbackEffect_ = Qt::IgnoreAction;
        connect(drag.get(), &QDrag::actionChanged, this, [this](Qt::DropAction action) {
            feedbackEffect_ = action;
            if (OnFeedback) {
                OnFeedback(*this, action);
            }
        });
        Qt::DropActions allowed;
        allowed.setFlag(Qt::CopyAction, (dragtypes_ & dtCopy) != 0);
        allowed.setFlag(Qt::MoveAction, (dragtypes_ & dtMove) != 0);
        allowed.setFlag(Qt::LinkAction, (dragtypes_ & dtLink) != 0);
        const Qt::DropAction effect = drag->exec(allowed);
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

TDragTextSource::TDragTextSource(QObject* parent) : TDragSource(parent) {
    AddFormat(kPlainText);
}

std::optional<QByteArray> TDragTextSource::GetData(const QString& mimeType) const {
    return TextDragData(text_, mimeType);
}

bool TDragTextSource::CutOrCopyToClipboard() {
    if (text_.empty()) {
        return false;
    }
    QGuiApplication::clipboard()->setText(Cp1252ToQString(text_));
    return true;
}

std::function<std::optional<QByteArray>(const QString&)> TDragTextSource::DataSnapshot() const {
    return [text = text_](const QString& mimeType) { return TextDragData(text, mimeType); };
}

std::optional<QByteArray> TextDragData(const std::string& text, const QString& mimeType) {
    if (mimeType == kPlainText || mimeType == TDragTextSource::kFileContents) {
        return QByteArray::fromStdString(Cp1252ToUtf8(text));
    }
    if (mimeType == TDragTextSource::kFileGroupDescriptor) {
        return FileGroupDescriptor(TDragTextSource::kScrapFileName);
    }
    if (mimeType == kUriList) {
        return ScrapFileUrl(text);
    }
    return std::nullopt;
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
