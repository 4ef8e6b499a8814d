#pragma once

#include "foundation/DesignTexts.h"

#include <QWidget>
#include <filesystem>

class QTextBrowser;

namespace quarn {

// The help page beside the program file: the program's path with the extension ".html".
std::filesystem::path ProgramHelpFileName();

// The program's help: an HTML page in a browser window of its own, beside the main window.
class THilfeFenster : public QWidget {
    QUARN_DESIGN_TEXTS(THilfeFenster)

public:
    explicit THilfeFenster(QWidget* owner);

    // Shows the page; false, showing nothing, when the file is missing or cannot be read.
    bool Oeffnen(const std::filesystem::path& file);

    QTextBrowser* Browser() const { return browser_; }

private:
    QTextBrowser* browser_ = nullptr;
};

} // namespace quarn
