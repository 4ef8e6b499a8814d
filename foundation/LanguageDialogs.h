#pragma once

#include "foundation/DesignTexts.h"
#include "foundation/FormKioU.h"

#include <QStringList>
#include <string>
#include <vector>

class QLabel;
class QPushButton;
class QTreeWidget;

namespace quarn {

// The language chooser: one entry per code, OK only while an entry is selected, a double click accepts,
// and the form cannot be closed without a selection.
class TSprachenForm : public TFormKio {
    QUARN_DESIGN_TEXTS(TSprachenForm)

public:
    TSprachenForm(const std::vector<std::string>& codes, const std::string& selected,
                  QWidget* owner = nullptr);

    // The selected entry's code; empty without a selection.
    std::string SelectedCode() const;

    QTreeWidget* ListView() const { return listView_; }
    QPushButton* OkButton() const { return okButton_; }

    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void UpdateOkButton();

    QTreeWidget* listView_ = nullptr;
    QPushButton* okButton_ = nullptr;
    std::vector<std::string> codes_;
};

// A notice in the three languages with one OK button; the derived form gives the texts, translated
// under its own name.
class TSprachenNoticeForm : public TFormKio {
public:
    TSprachenNoticeForm(const char* objectName, int width, int height, const QStringList& lines,
                        const QString& okCaption, QWidget* owner = nullptr);
};

// "You have to restart Quarn to activate the new language."
class TSprachenNeustartForm : public TSprachenNoticeForm {
    QUARN_DESIGN_TEXTS(TSprachenNeustartForm)

public:
    explicit TSprachenNeustartForm(QWidget* owner = nullptr);
};

// "Cannot load the selected language. The version ... does not match the main program."
class TSprachenVersionForm : public TSprachenNoticeForm {
    QUARN_DESIGN_TEXTS(TSprachenVersionForm)

public:
    explicit TSprachenVersionForm(QWidget* owner = nullptr);
};

} // namespace quarn
