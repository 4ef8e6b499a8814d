#include "foundation/FormKioU.h"

#include <QFont>

namespace quarn {
namespace {

constexpr const char* kFontSubstitutes = "\\Software\\Microsoft\\Windows NT\\CurrentVersion\\FontSubstitutes";
constexpr const char* kShellDlg2 = "MS Shell Dlg 2";

} // namespace

QString ChooseDialogFontFamily(const QString& family, const RegistryStore& store) {
    if (!store.ValueType(Hive::LocalMachine, kFontSubstitutes, kShellDlg2)) {
        return family;
    }
    if (family.compare("MS Shell Dlg", Qt::CaseInsensitive) == 0 ||
        family.compare("MS Sans Serif", Qt::CaseInsensitive) == 0) {
        return kShellDlg2;
    }
    return family;
}

void ApplyDialogFont(QWidget& form, const RegistryStore& store) {
    const QString family = ChooseDialogFontFamily(form.font().family(), store);
    if (family != form.font().family()) {
        QFont font = form.font();
        font.setFamily(family);
        form.setFont(font);
    }
}

TFormKio::TFormKio(QWidget* owner, Qt::WindowFlags flags) : QDialog(owner, flags) {}

void TFormKio::Loaded() {
    ApplyDialogFont(*this);
}

} // namespace quarn
