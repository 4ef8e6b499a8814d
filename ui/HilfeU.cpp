#include "ui/HilfeU.h"

#include <QCoreApplication>
#include <QFile>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace quarn {

std::filesystem::path ProgramHelpFileName() {
    std::filesystem::path program = QCoreApplication::applicationFilePath().toStdString();
    return program.replace_extension(".html");
}

THilfeFenster::THilfeFenster(QWidget* owner) : QWidget(owner, Qt::Window) {
    setObjectName("HilfeFenster");
    setWindowTitle(Tr("Quarn - Hilfe"));
    browser_ = new QTextBrowser(this);
    browser_->setObjectName("HilfeBrowser");
    // Links leaving the page go to the desktop's browser; the page's own anchors stay here.
    browser_->setOpenExternalLinks(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(browser_);
    resize(640, 560);
}

bool THilfeFenster::Oeffnen(const std::filesystem::path& file) {
    QFile page(QString::fromStdString(file.string()));
    // An empty page or a folder of that name is no help either.
    if (!page.open(QIODevice::ReadOnly) || page.size() == 0) {
        return false;
    }
    browser_->setSource(QUrl::fromLocalFile(page.fileName()), QTextDocument::HtmlResource);
    show();
    raise();
    activateWindow();
    return true;
}

} // namespace quarn
