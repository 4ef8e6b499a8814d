#include "toolbars/items/TTKHooks.h"

#include "platform/Exception.h"

#include <QWidget>

namespace quarn {

void SubscribeMessageHook(THookProc proc, THookKinds kinds, bool countOnly) {
    QUARN_ASSERT((kinds & HookKindBit(THookKind::MessageRetrieved)) == 0, "TTKCommon");
    THookClients::Instance().Subscribe(proc, kinds, countOnly);
}

void UnsubscribeMessageHook(THookProc proc) {
    THookClients::Instance().Unsubscribe(proc);
}

bool IsTopLevelWindowEvent(const THookEvent& event) {
    return event.target && event.target->isWidgetType() && static_cast<QWidget*>(event.target)->isWindow();
}

} // namespace quarn
