#pragma once

#include "foundation/InterfacesU.h"

#include <memory>

namespace quarn {

class TStatusState;

// The link status of one connection. The device thread and the running transfer write the values from
// their threads; the listening channel hears of changes on the GUI thread, through its
// StatusbarAktualisieren(false), at most once per 100 ms burst.
//
// A set that changes a value posts one request to the GUI thread (it never blocks the writer); there a
// single-shot 100 ms timer is started, and its tick tells the listener. Further changes before that tick
// add nothing, so a burst of changes gives one refresh; a change while the listener is being told
// schedules the next one.
//
// The listener is held weakly: the channel holds its connection and the connection this status, so a
// strong reference back would keep both alive should anyone forget to detach. The channel still detaches
// itself (SetListener(nullptr)) when it goes or stops listening; a listener that is gone counts as none.
//
// All GUI-side parts (the timer) live in state that the posted requests reach only through weak
// references, so the status may be destroyed on any thread, after the GUI loop has ended, or while a
// request is still queued. Destroying a status that was not released releases it.
class TStatus final : public IStatus {
public:
    TStatus();
    ~TStatus() override;
    TStatus(const TStatus&) = delete;
    TStatus& operator=(const TStatus&) = delete;

    // Stops telling anyone: the listener is dropped and the timer goes. The writers run on other threads
    // and may still be reporting the link that went: a set afterwards is dropped (and traced). A second
    // release does nothing.
    void Release() override;
    std::shared_ptr<IKanal> GetListener() const override;
    void SetListener(std::shared_ptr<IKanal> listener) override;

    int GetOutstanding() const override;
    void SetOutstanding(int value) override;
    bool OutstandingChanged() const override;
    int GetTries() const override;
    void SetTries(int value) override;
    bool TriesChanged() const override;
    int GetFrack() const override;
    void SetFrack(int value) override;
    bool FrackChanged() const override;
    int GetMaxframe() const override;
    void SetMaxframe(int value) override;
    bool MaxframeChanged() const override;
    int GetLinkStatus() const override;
    void SetLinkStatus(int value) override;
    bool LinkStatusChanged() const override;
    int GetBitrate() const override;
    void SetBitrate(int value) override;
    bool BitrateChanged() const override;

    // How long the GUI thread gathers changes before it tells the listener.
    static constexpr int kRefreshDelayMs = 100;

private:
    int Get(int index) const;
    void Set(int index, int value);
    bool Changed(int index) const;

    std::shared_ptr<TStatusState> state_;
};

} // namespace quarn
