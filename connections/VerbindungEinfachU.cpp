#include "connections/VerbindungEinfachU.h"

#include "foundation/QueueU.h"

#include <utility>

namespace quarn {

TVerbindungEinfach::TVerbindungEinfach(std::shared_ptr<TVerbindungAbstract> owner,
                                       std::shared_ptr<IVerbindungFuerModul> connection)
    : TVerbindungAbstract(std::move(owner), std::move(connection)) {}

std::string TVerbindungEinfach::GetClassName() const {
    return "TVerbindungEinfach";
}

void TVerbindungEinfach::Init() {
    SetUseEvent(5, true);
    SetUseEvent(6, true);
}

void TVerbindungEinfach::ReceiveData() {
    TStringQueue& received = Verbindung()->GetReceiveQueue();
    while (!received.IsEmpty()) {
        Verbindung()->ZeigeEmpfangen(received.PopString());
    }
}

void TVerbindungEinfach::SendData() {
    // One piece per wake-up, so received text and the link's events get their turn between pieces.
    TStringQueue& typed = Verbindung()->GetTypedTextQueue();
    if (!typed.IsEmpty()) {
        Verbindung()->GetTransmitQueue().PushString(typed.PopString());
    }
}

} // namespace quarn
