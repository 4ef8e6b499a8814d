#include "controls/UrlLabel.h"

#include "foundation/DebOutU.h"
#include "platform/Codepage.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QMenu>
#include <QMouseEvent>

namespace quarn {

namespace {

constexpr std::string_view kClass = "TUrlLabel";

} // namespace

bool OpensAsUrl(const QString& text) {
    const QUrl url(text.trimmed(), QUrl::StrictMode);
    if (!url.isValid()) {
        return false;
    }
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String("mailto")) {
        return !url.path().isEmpty();
    }
    return (scheme == QLatin1String("http") || scheme == QLatin1String("https")) && !url.host().isEmpty();
}

TUrlLabel::TUrlLabel(QWidget* parent) : QLabel(parent) {
    setCursor(Qt::PointingHandCursor);
    OpenUrl = [](const QUrl& url) { QDesktopServices::openUrl(url); };
    menu_ = new QMenu(this);
    menu_->addAction(QCoreApplication::translate("TUrlLabel", "&Kopieren"), this,
                     [this] { QGuiApplication::clipboard()->setText(Target()); });
}

QString TUrlLabel::Target() const {
    return (url_.isEmpty() ? text() : url_).trimmed();
}

void TUrlLabel::Open() const {
    const QString target = Target();
    if (!OpensAsUrl(target)) {
        DebOutObj(kClass, "Click",
                  "keine Web- oder Mail-Adresse, nicht geöffnet: " + QStringToCp1252(target));
        return;
    }
    if (OpenUrl) {
        OpenUrl(QUrl(target, QUrl::StrictMode));
    }
}

void TUrlLabel::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && !savedColor_) {
        savedColor_ = palette().color(QPalette::WindowText);
        QPalette colours = palette();
        colours.setColor(QPalette::WindowText, activeColor_);
        setPalette(colours);
    }
    QLabel::mousePressEvent(event);
}

void TUrlLabel::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && savedColor_) {
        QPalette colours = palette();
        colours.setColor(QPalette::WindowText, *savedColor_);
        setPalette(colours);
        savedColor_.reset();
        if (rect().contains(event->position().toPoint())) {
            Open();
        }
    }
    QLabel::mouseReleaseEvent(event);
}

void TUrlLabel::contextMenuEvent(QContextMenuEvent* event) {
    menu_->popup(event->globalPos());
    event->accept();
}

} // namespace quarn
