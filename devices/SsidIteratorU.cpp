#include "devices/SsidIteratorU.h"

#include "devices/RufzeichenU.h"
#include "platform/Codepage.h"

#include <numeric>

namespace quarn {

namespace {

constexpr const char* kNoCall = "NOCALL";

} // namespace

TSsidIterator::TSsidIterator(std::string_view callText) {
    const TRufzeichen parsed(callText);
    if (!parsed.IsValid()) {
        call_ = TMyCall(parsed.GetCall(), {}); // nothing to walk
    } else if (parsed.IsAnySsid()) {
        std::vector<int> all(TMyCall::kMaxSsids);
        std::iota(all.begin(), all.end(), 0);
        call_ = TMyCall(parsed.GetCall(), all);
        // Own calls are stored upper-cased; what the operator typed may not be.
        const std::string wanted = Cp1252UpperCase(parsed.GetCall());
        if (const std::shared_ptr<TMyCalls> calls = MyCalls()) {
            const TMyCallsLocker lock(*calls);
            for (int i = 0; i < calls->GetCount(); ++i) {
                const std::shared_ptr<TMyCall> own = calls->GetItem(i);
                if (own->GetCall() == wanted) {
                    call_.Assign(*own);
                    break;
                }
            }
        }
    } else {
        call_ = TMyCall(parsed.GetCall(), {parsed.GetSsid()});
    }
    First();
}

bool TSsidIterator::First() {
    index_ = -1;
    return Next();
}

bool TSsidIterator::Next() {
    ++index_;
    if (index_ < call_.GetCount()) {
        text_ = call_.GetRufzeichen(index_);
        return true;
    }
    text_ = kNoCall;
    return false;
}

bool TSsidIterator::Eof() const {
    return index_ < 0 || index_ >= call_.GetCount();
}

} // namespace quarn
