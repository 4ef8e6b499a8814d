#include "ui/editoren/RemoteCommandsForm.h"

#include "connections/remote/RemoteCommandManagerU.h"
#include "controls/ListView4State.h"

#include <QGroupBox>
#include <QHeaderView>
#include <QVBoxLayout>

namespace quarn {
namespace {

// The command's full name, kept with the row: the caption is its display form.
constexpr int kNameRole = Qt::UserRole + 1;

} // namespace

TRemoteCommandsForm::TRemoteCommandsForm(TRemoteCommandManager& manager, QWidget* parent)
    : QWidget(parent), manager_(manager) {
    setObjectName(QStringLiteral("RemoteCommandsForm"));
    auto* group = new QGroupBox(Tr("Fernsteuerung"), this);
    checkListView_ = new TListView4State(group);
    checkListView_->setObjectName(QStringLiteral("CheckListView"));
    checkListView_->setColumnCount(2);
    checkListView_->setHeaderLabels({Tr("Befehl"), Tr("Beschreibung")});
    checkListView_->setRootIsDecorated(false);
    checkListView_->header()->setStretchLastSection(true);
    auto* groupLayout = new QVBoxLayout(group);
    groupLayout->addWidget(checkListView_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(group);
}

void TRemoteCommandsForm::SetGlobal(bool global) {
    global_ = global;
    checkListView_->SetAllowGrayed(!global);
    call_.clear();
    Fuellen();
}

void TRemoteCommandsForm::SetCall(std::string_view call) {
    call_ = std::string(call);
    Fuellen();
}

void TRemoteCommandsForm::Fuellen() {
    checkListView_->clear();
    std::vector<std::string> names;
    manager_.GetDisplayNames(names);
    const std::string_view call = global_ ? std::string_view() : std::string_view(call_);
    for (const std::string& displayName : names) {
        std::string name = displayName;
        const TRemoteCommandEintrag* command = manager_.FindCommand(name);
        auto* item = new QTreeWidgetItem(checkListView_);
        item->setText(0, QString::fromStdString(displayName));
        item->setText(1, command ? QString::fromStdString(command->helpText) : QString());
        item->setData(0, kNameRole, QString::fromStdString(name));
        bool globalAllowed = false;
        manager_.GetAllowedGlobal(name, globalAllowed);
        if (global_) {
            TListView4State::SetItemState(*item, globalAllowed ? 1 : 0);
            continue;
        }
        // The data's presence makes the grey state after "allowed" the global one.
        if (globalAllowed) {
            TListView4State::SetItemData(*item, true);
        }
        bool allowed = false;
        if (!call.empty() && manager_.IsAllowed(call, name, allowed)) {
            TListView4State::SetItemState(*item, allowed ? 1 : 0);
        } else {
            TListView4State::SetItemState(*item, globalAllowed ? 3 : 2);
        }
    }
    checkListView_->resizeColumnToContents(0);
}

void TRemoteCommandsForm::Apply() {
    // An empty call would set the global permissions from a station's page.
    if (!global_ && call_.empty()) {
        return;
    }
    const std::string_view call = global_ ? std::string_view() : std::string_view(call_);
    for (int row = 0; row < checkListView_->topLevelItemCount(); ++row) {
        const QTreeWidgetItem& item = *checkListView_->topLevelItem(row);
        const std::string name = item.data(0, kNameRole).toString().toStdString();
        const int state = TListView4State::ItemState(item);
        if (state == 0 || state == 1) {
            manager_.SetAllowed(call, name, state == 1);
        } else if (!call.empty()) {
            manager_.ClearOverride(call, name);
        }
    }
}

} // namespace quarn
