#pragma once

#include <QColor>
#include <QLabel>
#include <QUrl>
#include <functional>
#include <optional>

class QMenu;

namespace quarn {

// A label that opens its link when clicked: an http, https or mailto address, the caption's text when
// no URL is set. Pressed it shows `ActiveColor`; its context menu copies the address.
class TUrlLabel : public QLabel {
public:
    explicit TUrlLabel(QWidget* parent = nullptr);

    QString Url() const { return url_; }
    void SetUrl(const QString& url) { url_ = url; }
    QColor ActiveColor() const { return activeColor_; }
    void SetActiveColor(const QColor& colour) { activeColor_ = colour; }
    // The address a click opens: the URL, or the caption when the URL is empty, trimmed.
    QString Target() const;

    QMenu* PopupMenu() const { return menu_; }

    // Opens an address on the desktop; QDesktopServices unless replaced.
    std::function<void(const QUrl& url)> OpenUrl;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void Open() const;

    QString url_;
    QColor activeColor_{0x80, 0x00, 0x80};
    std::optional<QColor> savedColor_;
    QMenu* menu_ = nullptr;
};

// Whether a label may hand `text` to the desktop: only web and mail addresses, never a local file.
bool OpensAsUrl(const QString& text);

} // namespace quarn
