#pragma once

namespace quarn {

class IKanal;

// True while any connect waits for its device: the main window must not close under it.
bool VerbindenLaeuft();

// Marks a connect as waiting for as long as it lives. A second connect for a channel that already has
// one waiting is refused: `Belegt` is true then and nothing is marked. A connect without a channel
// is counted but never refused.
class TVerbindenMarke {
public:
    explicit TVerbindenMarke(const IKanal* channel);
    ~TVerbindenMarke();
    TVerbindenMarke(const TVerbindenMarke&) = delete;
    TVerbindenMarke& operator=(const TVerbindenMarke&) = delete;

    bool Belegt() const { return belegt_; }

private:
    const IKanal* channel_;
    bool belegt_ = false;
};

} // namespace quarn
