#pragma once

#include "platform/Registry.h"

#include <QDialog>
#include <QString>

namespace quarn {

// The dialog-font choice every form makes once it is built: when the machine's font substitutes name
// "MS Shell Dlg 2", a form font "MS Shell Dlg" or "MS Sans Serif" becomes "MS Shell Dlg 2"; otherwise
// the family stays as it is.
QString ChooseDialogFontFamily(const QString& family, const RegistryStore& store = RegistryStore::Instance());
void ApplyDialogFont(QWidget& form, const RegistryStore& store = RegistryStore::Instance());

// Base of the program's forms. A derived form calls Loaded() at the end of its constructor, when its
// controls and font are set.
class TFormKio : public QDialog {
public:
    explicit TFormKio(QWidget* owner = nullptr, Qt::WindowFlags flags = {});

protected:
    void Loaded();
};

} // namespace quarn
