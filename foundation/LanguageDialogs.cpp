#include "foundation/LanguageDialogs.h"

#include "foundation/LanguageU.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace quarn {
namespace {

QLabel* AddLabel(QVBoxLayout& layout, const QString& name, const QString& text, QWidget* owner) {
    auto* label = new QLabel(text, owner);
    label->setObjectName(name);
    label->setWordWrap(true);
    layout.addWidget(label);
    return label;
}

QPushButton* AddOkButton(QVBoxLayout& layout, const QString& caption, QWidget* owner) {
    auto* button = new QPushButton(caption, owner);
    button->setObjectName("OkButton");
    button->setDefault(true);
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(button);
    row->addStretch();
    layout.addLayout(row);
    return button;
}

} // namespace

TSprachenForm::TSprachenForm(const std::vector<std::string>& codes, const std::string& selected,
                             QWidget* owner)
    : TFormKio(owner), codes_(codes) {
    setObjectName("SprachenForm");
    setWindowTitle("Quarn");
    resize(221, 157);
    auto* layout = new QVBoxLayout(this);
    AddLabel(*layout, "Label1", Tr("Bitte wählen Sie eine Sprache aus."), this);
    AddLabel(*layout, "Label2", Tr("Please select a language."), this);
    AddLabel(*layout, "Label3", Tr("Sélectionnez la langue, s'il vous plait."), this);

    listView_ = new QTreeWidget(this);
    listView_->setObjectName("ListView");
    listView_->setRootIsDecorated(false);
    listView_->setColumnCount(1);
    listView_->setHeaderLabels({Tr("Sprache")});
    listView_->setColumnWidth(0, 190);
    for (const std::string& code : codes_) {
        auto* item = new QTreeWidgetItem(listView_, {LanguageName(code)});
        if (QString::fromStdString(code).compare(QString::fromStdString(selected), Qt::CaseInsensitive) ==
            0) {
            listView_->setCurrentItem(item);
            item->setSelected(true);
        }
    }
    listView_->setFocus();
    layout->addWidget(listView_, 1);

    okButton_ = AddOkButton(*layout, Tr("OK"), this);
    connect(okButton_, &QPushButton::clicked, this, &QDialog::accept);
    connect(listView_, &QTreeWidget::itemSelectionChanged, this, [this] { UpdateOkButton(); });
    connect(listView_, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
        if (item != nullptr) {
            listView_->setCurrentItem(item);
            accept();
        }
    });
    UpdateOkButton();
    Loaded();
}

std::string TSprachenForm::SelectedCode() const {
    const QList<QTreeWidgetItem*> selected = listView_->selectedItems();
    if (selected.isEmpty()) {
        return {};
    }
    const int row = listView_->indexOfTopLevelItem(selected.front());
    return row >= 0 && static_cast<std::size_t>(row) < codes_.size() ? codes_[static_cast<std::size_t>(row)]
                                                                     : std::string();
}

void TSprachenForm::UpdateOkButton() {
    okButton_->setEnabled(!SelectedCode().empty());
}

void TSprachenForm::reject() {
    if (!SelectedCode().empty()) {
        TFormKio::reject();
    }
}

void TSprachenForm::closeEvent(QCloseEvent* event) {
    if (SelectedCode().empty()) {
        event->ignore();
        return;
    }
    TFormKio::closeEvent(event);
}

TSprachenNoticeForm::TSprachenNoticeForm(const char* objectName, int width, int height,
                                         const QStringList& lines, const QString& okCaption, QWidget* owner)
    : TFormKio(owner) {
    setObjectName(objectName);
    setWindowTitle("Quarn");
    resize(width, height);
    auto* layout = new QVBoxLayout(this);
    int number = 1;
    for (const QString& line : lines) {
        AddLabel(*layout, QString("Label%1").arg(number++), line, this);
    }
    connect(AddOkButton(*layout, okCaption, this), &QPushButton::clicked, this, &QDialog::accept);
    Loaded();
}

TSprachenNeustartForm::TSprachenNeustartForm(QWidget* owner)
    : TSprachenNoticeForm("SprachenNeustartForm", 259, 147,
                          {Tr("Sie müssen Quarn neu starten, um die neue Sprache zu aktivieren."),
                           Tr("You have to restart Quarn to activate the new language."),
                           Tr("Veuillez redémarrer Quarn afin que la nouvelle langue soit disponible.")},
                          Tr("OK"), owner) {}

TSprachenVersionForm::TSprachenVersionForm(QWidget* owner)
    : TSprachenNoticeForm(
          "SprachenVersionForm", 331, 123,
          {Tr("Die gewünschte Sprache kann nicht geladen werden. Die Version der Ressourcen-Datei "
              "passt nicht zum Hauptprogramm."),
           Tr("Cannot load the selected language. The version of the language resource does not "
              "match the main program.")},
          Tr("OK"), owner) {}

} // namespace quarn
