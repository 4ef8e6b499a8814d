#include "ui/HauptLayout.h"

#include <algorithm>

namespace quarn {

void ClientHoeheSetzen(THauptLayout& layout, int hoehe) {
    const int andere = layout.Summe() - layout.ausgabe;
    layout.ausgabe = std::max(THauptLayout::kAusgabeMin, hoehe - andere);
}

namespace {

void SplitterHoeheSetzen(THauptLayout& layout, int& splitter, int hoehe) {
    const int neu = std::max(THauptLayout::kSplitterMin, hoehe);
    layout.ausgabe = std::max(THauptLayout::kAusgabeMin, layout.ausgabe - (neu - splitter));
    splitter = neu;
}

} // namespace

void Splitter1HoeheSetzen(THauptLayout& layout, int hoehe) {
    SplitterHoeheSetzen(layout, layout.splitter1, hoehe);
}

void Splitter2HoeheSetzen(THauptLayout& layout, int hoehe) {
    SplitterHoeheSetzen(layout, layout.splitter2, hoehe);
}

void GespeicherteHoehenAnwenden(THauptLayout& layout, int clientHoehe, int monitorHoehe, int eingabeHoehe) {
    const auto anwenden = [&layout](int& panel, int hoehe) {
        layout.ausgabe = std::max(THauptLayout::kAusgabeMin, layout.ausgabe - (hoehe - panel));
        panel = hoehe;
    };
    if (monitorHoehe > 3 && monitorHoehe < clientHoehe) {
        anwenden(layout.monitor, monitorHoehe);
    }
    if (eingabeHoehe > 3 && eingabeHoehe < clientHoehe - layout.monitor) {
        anwenden(layout.eingabe, eingabeHoehe);
    }
}

void Splitter1Ziehen(THauptLayout& layout, int dy) {
    // Up: only the output gives; down: the input, then the monitor.
    const int hoch = layout.ausgabe - THauptLayout::kAusgabeMin;
    const int runter = std::max(0, layout.eingabe - THauptLayout::kEingabeMin) +
                       std::max(0, layout.monitor - THauptLayout::kMonitorMin);
    dy = std::clamp(dy, -hoch, runter);
    layout.ausgabe += dy;
    if (dy < 0) {
        layout.eingabe -= dy;
        return;
    }
    const int vonEingabe = std::min(dy, std::max(0, layout.eingabe - THauptLayout::kEingabeMin));
    layout.eingabe -= vonEingabe;
    layout.monitor -= dy - vonEingabe;
}

void Splitter2Ziehen(THauptLayout& layout, int dy) {
    const int ausgabeFrei = std::max(0, layout.ausgabe - THauptLayout::kAusgabeMin);
    const int eingabeFrei = std::max(0, layout.eingabe - THauptLayout::kEingabeMin);
    const int monitorFrei = std::max(0, layout.monitor - THauptLayout::kMonitorMin);
    dy = std::clamp(dy, -(ausgabeFrei + eingabeFrei), monitorFrei);
    layout.monitor -= dy;
    if (dy >= 0) {
        layout.eingabe += dy;
        return;
    }
    const int vonAusgabe = std::min(-dy, ausgabeFrei);
    layout.ausgabe -= vonAusgabe;
    layout.eingabe -= -dy - vonAusgabe;
}

} // namespace quarn
