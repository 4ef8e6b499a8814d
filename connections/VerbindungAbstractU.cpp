#include "connections/VerbindungAbstractU.h"

#include "foundation/QueueU.h"
#include "platform/Event.h"
#include "platform/WaitForAny.h"

namespace quarn {

// Until the handlers exist: moves typed text out and waits for the link to end.
void RunStandard(const std::shared_ptr<IVerbindungFuerModul>& connection) {
    const Event* disconnect = connection->GetHandle(4);
    const Event* typed = connection->GetHandle(6);
    if (!disconnect || !typed) {
        return;
    }
    while (WaitForAny({*disconnect, *typed}, kInfinite) == 1) {
        TStringQueue& typedText = connection->GetTypedTextQueue();
        while (!typedText.IsEmpty()) {
            connection->GetTransmitQueue().PushString(typedText.PopString());
        }
    }
}

} // namespace quarn
