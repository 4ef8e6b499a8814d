#pragma once

namespace quarn {

// The heights of the main window's five stacked panels, top to bottom: output, splitter 1, input,
// splitter 2 (with the channel toolbar), monitor. Pure arithmetic, so the limits can be checked without
// a window.
struct THauptLayout {
    static constexpr int kAusgabeMin = 4;
    static constexpr int kEingabeMin = 16;
    static constexpr int kMonitorMin = 4;
    static constexpr int kSplitterMin = 4;

    int ausgabe = kAusgabeMin;
    int splitter1 = kSplitterMin;
    int eingabe = kEingabeMin;
    int splitter2 = kSplitterMin;
    int monitor = kMonitorMin;

    int Summe() const { return ausgabe + splitter1 + eingabe + splitter2 + monitor; }
    // Tops of the panels below the output one.
    int Splitter1Oben() const { return ausgabe; }
    int EingabeOben() const { return Splitter1Oben() + splitter1; }
    int Splitter2Oben() const { return EingabeOben() + eingabe; }
    int MonitorOben() const { return Splitter2Oben() + splitter2; }

    bool operator==(const THauptLayout&) const = default;
};

// The client area got `hoehe` pixels: the output panel takes the change, never below its minimum (the
// panels below it then reach past the bottom).
void ClientHoeheSetzen(THauptLayout& layout, int hoehe);

// A splitter's own height changed (a toolbar docked in it): the output panel takes the change.
void Splitter1HoeheSetzen(THauptLayout& layout, int hoehe);
void Splitter2HoeheSetzen(THauptLayout& layout, int hoehe);

// Saved heights at start: each applied only when above 3 and leaving room in `clientHoehe`.
void GespeicherteHoehenAnwenden(THauptLayout& layout, int clientHoehe, int monitorHoehe, int eingabeHoehe);

// Splitter 1 dragged by `dy` (down positive): the output grows and the input shrinks; an input at its
// minimum pushes splitter 2 down into the monitor. Every panel keeps its minimum.
void Splitter1Ziehen(THauptLayout& layout, int dy);

// Splitter 2 dragged by `dy`: down grows the input and shrinks the monitor; up grows the monitor, taking
// from the output first down to its minimum, then from the input. Every panel keeps its minimum.
void Splitter2Ziehen(THauptLayout& layout, int dy);

} // namespace quarn
