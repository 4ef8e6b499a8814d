#include "ui/einstellungen/EditorSeite.h"

#include <QVBoxLayout>

namespace quarn {

void EditorSeiteAnordnen(QWidget& seite, QWidget& editor, QWidget& linkPanel) {
    constexpr int kRand = 6;
    auto* layout = new QVBoxLayout(&seite);
    layout->setContentsMargins(kRand, kRand, kRand, kRand);
    layout->setSpacing(kRand);
    layout->addWidget(&editor, 1);
    layout->addWidget(&linkPanel, 0);
}

} // namespace quarn
