#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>

class QFileDialog;
class QLabel;
class QWidget;

namespace quarn {

// The selection as stored: a path naming an existing folder ends in "/", any other stays as given.
QString FolderSelectionText(const QString& path);
// A path as the dialog is given it: without a trailing "/" except the root itself.
QString FolderPathForDialog(const QString& path);
// A status text that fits `width` by `measure`: a folder path loses leading folders for ".../" until it
// fits, any other text (and a last folder too long alone) is cut at the end.
QString FitStatusText(const QString& text, bool isFolder, int width,
                      const std::function<int(const QString&)>& measure);

// A folder chooser: a modal folder dialog with a title, an optional status line under it and the
// selection it starts at and returns.
class TBrowseFolderDlg : public QObject {
    Q_OBJECT

public:
    explicit TBrowseFolderDlg(QObject* owner = nullptr);
    ~TBrowseFolderDlg() override;

    // Shows the dialog; true with Selection set to the chosen folder, false with it empty.
    bool Execute();

    QString Title() const { return title_; }
    void SetTitle(const QString& title) { title_ = title; }
    QString Selection() const { return selection_; }
    void SetSelection(const QString& path);
    QString StatusText() const { return statusText_; }
    void SetStatusText(const QString& text);
    bool FitStatusTextEnabled() const { return fitStatusText_; }
    void SetFitStatusText(bool fit);
    bool EnableOKButton() const { return enableOk_; }
    void SetEnableOKButton(bool enable);
    bool ShowSelectionInStatus() const { return showSelectionInStatus_; }
    void SetShowSelectionInStatus(bool show) { showSelectionInStatus_ = show; }
    bool Center() const { return center_; }
    void SetCenter(bool center) { center_ = center; }
    // The dialog's window text: the open dialog's, else the stored one.
    QString Caption() const;
    void SetCaption(const QString& caption);
    // The window the dialog belongs to; without one, the owner when it is a widget, else the active window.
    void SetParent(QWidget* parent) { parent_ = parent; }

    // The open dialog, while Execute runs.
    QFileDialog* Dialog() const { return dialog_; }
    QLabel* StatusLabel() const { return status_; }

signals:
    void SelChanged(const QString& path);

private:
    QWidget* OwnerWindow() const;
    void ShowStatus(const QString& text);
    void ApplyOkButton();

    QString title_;
    QString selection_;
    QString statusText_;
    QString caption_;
    bool fitStatusText_ = true;
    bool enableOk_ = true;
    bool showSelectionInStatus_ = false;
    bool center_ = true;
    QPointer<QWidget> parent_;
    QFileDialog* dialog_ = nullptr; // only while Execute runs
    QLabel* status_ = nullptr;
};

} // namespace quarn
