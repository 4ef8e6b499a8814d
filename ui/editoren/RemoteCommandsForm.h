#pragma once

#include "foundation/DesignTexts.h"

#include <QWidget>
#include <string>
#include <string_view>

namespace quarn {

class TListView4State;
class TRemoteCommandManager;

// The editor of the remote commands' permissions, embedded in its host: the settings page
// "Fernsteuerung" (global mode) or the page "Fernsteuerung" of the station database (station mode).
// A row's state: 0 locked, 1 allowed, and in station mode 2 and 3 for "as the global setting" (locked,
// allowed). The host calls SetGlobal once, SetCall for each station shown (station mode) and Apply when
// the permissions are to be stored; nothing is stored before Apply.
class TRemoteCommandsForm : public QWidget {
    QUARN_DESIGN_TEXTS(TRemoteCommandsForm)
public:
    explicit TRemoteCommandsForm(TRemoteCommandManager& manager, QWidget* parent = nullptr);

    // Switches the mode (the grey states only for a station), forgets the station and refills.
    void SetGlobal(bool global);
    // Refills for that station.
    void SetCall(std::string_view call);
    // States 0 and 1 set the permission (the station's, or the global one); 2 and 3 clear the station's.
    void Apply();

    TListView4State& CheckListView() const { return *checkListView_; }

private:
    void Fuellen();

    TRemoteCommandManager& manager_;
    bool global_ = true;
    std::string call_;
    TListView4State* checkListView_ = nullptr;
};

} // namespace quarn
