#pragma once

#include "foundation/DesignTexts.h"

#include <QString>

namespace quarn {

class IHauptTeile;

// The order in which the main window builds the program's singletons and frees them again. The end runs
// once, whoever asks first (the session's end or the window's destruction), and records a clean end
// (Dirty cleared) only when the start succeeded and every part could be freed.
class THauptAblauf {
    QUARN_DESIGN_TEXTS(THauptfenster)

public:
    explicit THauptAblauf(IHauptTeile& teile) : teile_(teile) {}
    ~THauptAblauf() { Ende(); }
    THauptAblauf(const THauptAblauf&) = delete;
    THauptAblauf& operator=(const THauptAblauf&) = delete;

    // Builds everything. A part the program cannot work without (the font, the station database) is told
    // to the operator, everything built is freed and EProgrammEnde is raised, so the event loop is never
    // entered. Any other failure frees what was built and passes on.
    void Start(bool splash);
    // Frees everything; later calls do nothing.
    void Ende() noexcept;

    bool InitFehler() const { return initFehler_; }
    bool VorherDirty() const { return vorherDirty_; }
    bool Beendet() const { return beendet_; }

private:
    void Aufbauen(bool splash);
    [[noreturn]] void StartFehler(const QString& text);
    template <class Step> bool Schritt(const char* text, bool melden, Step step) noexcept;

    IHauptTeile& teile_;
    bool gestartet_ = false;
    bool beendet_ = false;
    bool initFehler_ = false;
    bool vorherDirty_ = false;
};

} // namespace quarn
