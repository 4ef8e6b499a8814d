#pragma once

#include "controls/HookClients.h"

namespace quarn {

// The kit's subscribers of the program's one registry of hook clients. Kinds 0 to 2 are offered; the
// message-retrieved kind served only a key hook of MDI menu bars, which this program has no use for.
void SubscribeMessageHook(THookProc proc, THookKinds kinds, bool countOnly = false);
void UnsubscribeMessageHook(THookProc proc);

// Whether a hook event concerns a top-level window (the dockable windows follow only their forms).
bool IsTopLevelWindowEvent(const THookEvent& event);

} // namespace quarn
