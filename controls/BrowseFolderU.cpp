#include "controls/BrowseFolderU.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

namespace quarn {

namespace {

const QString kEllipsis = QStringLiteral(".../");

QString CutToFit(const QString& text, int width, const std::function<int(const QString&)>& measure) {
    QString cut = text;
    while (!cut.isEmpty() && measure(cut) > width) {
        cut.chop(1);
    }
    return cut;
}

} // namespace

QString FolderSelectionText(const QString& path) {
    if (!path.isEmpty() && !path.endsWith(u'/') && QFileInfo(path).isDir()) {
        return path + u'/';
    }
    return path;
}

QString FolderPathForDialog(const QString& path) {
    QString trimmed = path;
    while (trimmed.size() > 1 && trimmed.endsWith(u'/')) {
        trimmed.chop(1);
    }
    return trimmed;
}

QString FitStatusText(const QString& text, bool isFolder, int width,
                      const std::function<int(const QString&)>& measure) {
    if (measure(text) <= width) {
        return text;
    }
    if (!isFolder) {
        return CutToFit(text, width, measure);
    }
    const QStringList parts = text.split(u'/');
    // parts[0] is empty for an absolute path; dropping it alone would change nothing visible.
    QString shortened;
    for (qsizetype first = 1; first < parts.size(); ++first) {
        const QString rest = parts.mid(first).join(u'/');
        if (rest.isEmpty()) {
            break;
        }
        shortened = kEllipsis + rest;
        if (measure(shortened) <= width) {
            return shortened;
        }
    }
    return CutToFit(shortened.isEmpty() ? text : shortened, width, measure);
}

TBrowseFolderDlg::TBrowseFolderDlg(QObject* owner) : QObject(owner) {}

TBrowseFolderDlg::~TBrowseFolderDlg() = default;

void TBrowseFolderDlg::SetSelection(const QString& path) {
    selection_ = FolderSelectionText(path);
    if (dialog_) {
        dialog_->setDirectory(FolderPathForDialog(selection_));
    }
}

void TBrowseFolderDlg::SetStatusText(const QString& text) {
    statusText_ = text;
    if (dialog_) {
        ShowStatus(text);
    }
}

void TBrowseFolderDlg::SetFitStatusText(bool fit) {
    fitStatusText_ = fit;
    if (dialog_) {
        ShowStatus(statusText_);
    }
}

void TBrowseFolderDlg::SetEnableOKButton(bool enable) {
    enableOk_ = enable;
    ApplyOkButton();
}

QString TBrowseFolderDlg::Caption() const {
    return dialog_ ? dialog_->windowTitle().left(256) : caption_;
}

void TBrowseFolderDlg::SetCaption(const QString& caption) {
    caption_ = caption;
    if (dialog_) {
        dialog_->setWindowTitle(caption);
    }
}

QWidget* TBrowseFolderDlg::OwnerWindow() const {
    if (parent_) {
        return parent_;
    }
    if (auto* owner = qobject_cast<QWidget*>(parent())) {
        return owner;
    }
    return QApplication::activeWindow();
}

void TBrowseFolderDlg::ShowStatus(const QString& text) {
    if (!status_) {
        return;
    }
    const QFontMetrics metrics(status_->font());
    const int width = status_->contentsRect().width();
    const bool isFolder = QFileInfo(text).isDir();
    status_->setText(fitStatusText_ && width > 0 ? FitStatusText(text, isFolder, width,
                                                                 [&](const QString& piece) {
                                                                     return metrics.horizontalAdvance(piece);
                                                                 })
                                                 : text);
    status_->setToolTip(text);
}

void TBrowseFolderDlg::ApplyOkButton() {
    if (!dialog_) {
        return;
    }
    if (auto* buttons = dialog_->findChild<QDialogButtonBox*>()) {
        if (QPushButton* ok = buttons->button(QDialogButtonBox::Open)) {
            ok->setEnabled(enableOk_);
        }
    }
}

bool TBrowseFolderDlg::Execute() {
    QFileDialog dialog(OwnerWindow(), caption_);
    // The non-native dialog: its selection changes and the status line are ours to follow.
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setLabelText(QFileDialog::LookIn,
                        title_.isEmpty() ? dialog.labelText(QFileDialog::LookIn) : title_);
    if (!selection_.isEmpty()) {
        const QString start = FolderPathForDialog(selection_);
        if (QFileInfo(start).isDir()) {
            dialog.setDirectory(start);
        } else {
            dialog.selectFile(start);
        }
    }
    auto* layout = qobject_cast<QGridLayout*>(dialog.layout());
    QLabel* status = nullptr;
    if ((!statusText_.isEmpty() || showSelectionInStatus_) && layout != nullptr) {
        status = new QLabel(&dialog);
        status->setObjectName(QStringLiteral("statusText"));
        status->setMinimumWidth(1);
        status->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        layout->addWidget(status, layout->rowCount(), 0, 1, layout->columnCount());
    }
    dialog_ = &dialog;
    status_ = status;
    // A folder is chosen by marking it in the list or by going into it.
    const auto selectionChanged = [this](const QString& path) {
        if (showSelectionInStatus_) {
            ShowStatus(path);
        }
        ApplyOkButton();
        emit SelChanged(path);
    };
    connect(&dialog, &QFileDialog::currentChanged, this, selectionChanged);
    connect(&dialog, &QFileDialog::directoryEntered, this, selectionChanged);
    if (center_) {
        dialog.adjustSize();
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            QRect placed = dialog.frameGeometry();
            placed.moveCenter(screen->availableGeometry().center());
            dialog.move(placed.topLeft());
        }
    }
    dialog.show();
    ShowStatus(statusText_);
    ApplyOkButton();
    const bool chosen = dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty();
    dialog_ = nullptr;
    status_ = nullptr;
    selection_ = chosen ? dialog.selectedFiles().constFirst() : QString();
    return chosen;
}

} // namespace quarn
