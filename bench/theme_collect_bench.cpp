// The theme manager taking in a form of 500 controls (group boxes of buttons, check boxes, radio buttons,
// labels and edits) with the default options; between rounds every control is let go again.
#include "controls/ThemeManagerU.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <benchmark/benchmark.h>

#include <cstdlib>

namespace {

constexpr int kBoxes = 20;
constexpr int kPerBox = 24; // 20 boxes of 24 controls and the boxes themselves: 500 widgets

void BuildForm(QWidget& form) {
    for (int b = 0; b < kBoxes; ++b) {
        auto* box = new QGroupBox(QString("Gruppe %1").arg(b), &form);
        for (int i = 0; i < kPerBox; ++i) {
            switch (i % 5) {
            case 0:
                new QPushButton("OK", box);
                break;
            case 1:
                new QCheckBox("Prüfen", box);
                break;
            case 2:
                new QRadioButton("Wahl", box);
                break;
            case 3:
                new QLabel("Text", box);
                break;
            default:
                new QLineEdit(box);
                break;
            }
        }
    }
}

void LetGo(quarn::TThemeManager& manager, QWidget& form) {
    for (QObject* child : form.children()) {
        if (child->isWidgetType()) {
            manager.SubclassControl(static_cast<QWidget&>(*child), false);
        }
    }
}

void BM_CollectControls500(benchmark::State& state) {
    QApplication::setStyle("Fusion");
    quarn::TThemeManager manager;
    QWidget form;
    BuildForm(form);
    const auto widgets = form.findChildren<QWidget*>().size();
    for (auto _ : state) {
        manager.CollectControls(&form);
        state.PauseTiming();
        LetGo(manager, form);
        state.ResumeTiming();
    }
    state.counters["widgets"] = static_cast<double>(widgets);
}
BENCHMARK(BM_CollectControls500)->Unit(benchmark::kMillisecond);

} // namespace
