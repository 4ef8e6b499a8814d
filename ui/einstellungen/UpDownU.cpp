#include "ui/einstellungen/UpDownU.h"

#include "controls/NumEditU.h"

#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

namespace quarn {

TUpDown::TUpDown(TIntegerEdit& edit, int minimum, int maximum, int step, QWidget* parent)
    : QWidget(parent), edit_(edit), minimum_(minimum), maximum_(maximum), step_(step) {
    setObjectName(edit.objectName() + QStringLiteral("UpDown"));
    auto* hoch = new QToolButton(this);
    hoch->setObjectName(QStringLiteral("Hoch"));
    hoch->setArrowType(Qt::UpArrow);
    auto* runter = new QToolButton(this);
    runter->setObjectName(QStringLiteral("Runter"));
    runter->setArrowType(Qt::DownArrow);
    for (QToolButton* knopf : {hoch, runter}) {
        knopf->setFocusPolicy(Qt::NoFocus);
        knopf->setAutoRepeat(true);
        knopf->setFixedSize(16, std::max(9, edit.sizeHint().height() / 2));
    }
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(hoch);
    layout->addWidget(runter);
    connect(hoch, &QToolButton::clicked, this, [this] { Schieben(1); });
    connect(runter, &QToolButton::clicked, this, [this] { Schieben(-1); });
}

int TUpDown::Geschoben(int value, int steps) const {
    const long long moved =
        static_cast<long long>(std::clamp(value, minimum_, maximum_)) + static_cast<long long>(steps) * step_;
    return static_cast<int>(std::clamp<long long>(moved, minimum_, maximum_));
}

void TUpDown::Schieben(int steps) {
    edit_.SetValue(Geschoben(edit_.Value(), steps));
}

} // namespace quarn
