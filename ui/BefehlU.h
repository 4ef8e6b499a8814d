#pragma once

#include "foundation/DesignTexts.h"
#include "foundation/FormKioU.h"

#include <functional>

class QPushButton;

namespace quarn {

// What the command pop-up starts; the main window hands in its own actions.
struct TBefehlAktionen {
    // Shows the connect dialog modal (after the pop-up has closed).
    std::function<void()> verbinden;
    // The main window's disconnect action.
    std::function<void()> trennen;
    // Shows the remote-command dialog modal; empty: TDlgBefehlRemote over the pop-up's owner.
    std::function<void()> fernsteuern;
};

// The command pop-up Escape opens: one letter chooses (C or V connect, D or T disconnect, / remote).
// The pop-up closes before the chosen action runs, so the next dialog is not stacked on it.
class TDlgBefehl : public TFormKio {
    QUARN_DESIGN_TEXTS(TDlgBefehl)

public:
    TDlgBefehl(TBefehlAktionen aktionen, QWidget* owner = nullptr);

    QPushButton* ConnectBtn() const { return connectBtn_; }
    QPushButton* DisconnectBtn() const { return disconnectBtn_; }
    QPushButton* RemoteBtn() const { return remoteBtn_; }
    QPushButton* AbbruchBtn() const { return abbruchBtn_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Schliessen();

    TBefehlAktionen aktionen_;
    QPushButton* connectBtn_ = nullptr;
    QPushButton* disconnectBtn_ = nullptr;
    QPushButton* remoteBtn_ = nullptr;
    QPushButton* abbruchBtn_ = nullptr;
};

} // namespace quarn
