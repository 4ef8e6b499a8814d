#include "stations/MyCallsU.h"

#include "foundation/CallSignText.h"
#include "foundation/DebOutU.h"
#include "platform/Codepage.h"
#include "platform/Exception.h"

#include <algorithm>
#include <mutex>
#include <set>

namespace quarn {

namespace {

constexpr const char* kUnit = "MyCallsU";
constexpr const char* kClass = "TMyCalls";

std::mutex liveLock;
std::weak_ptr<TMyCalls> liveMyCalls;

std::string SubKey(std::string_view call) {
    return std::string(kEigeneRufzeichenKey) + "\\" + std::string(call);
}

// Every text the call goes to a TNC as must be a call sign the devices can use.
bool CallSignsUsable(const TMyCall& call) {
    if (!SplitCallSign(call.GetCall()).valid) {
        return false;
    }
    for (int i = 0; i < call.GetCount(); ++i) {
        if (!SplitCallSign(call.GetRufzeichen(i)).valid) {
            return false;
        }
    }
    return true;
}

} // namespace

// ---- TMyCall ---------------------------------------------------------------------------------------

TMyCall::TMyCall(std::string_view call, const std::vector<int>& ssids) {
    SetCall(call);
    SetSSIDs(ssids);
}

void TMyCall::SetCall(std::string_view call) {
    call_ = Cp1252UpperCase(call);
}

void TMyCall::SetSSIDs(const std::vector<int>& ssids) {
    std::set<int> valid;
    for (const int ssid : ssids) {
        if (ssid >= 0 && ssid < kMaxSsids) {
            valid.insert(ssid);
        }
    }
    ssids_.fill(0);
    count_ = 0;
    for (const int ssid : valid) {
        ssids_[static_cast<std::size_t>(count_++)] = ssid;
    }
}

int TMyCall::GetSSID(int index) const {
    QUARN_ASSERT(index >= 0 && index < count_, kUnit);
    return ssids_[static_cast<std::size_t>(index)];
}

std::vector<int> TMyCall::GetSSIDs() const {
    return {ssids_.begin(), ssids_.begin() + count_};
}

std::string TMyCall::GetRufzeichen(int index) const {
    const int ssid = GetSSID(index);
    return ssid < 1 ? call_ : call_ + "-" + std::to_string(ssid);
}

std::string TMyCall::GetSSIDListe() const {
    std::string text;
    for (int i = 0; i < count_;) {
        int last = i;
        while (last + 1 < count_ &&
               ssids_[static_cast<std::size_t>(last + 1)] == ssids_[static_cast<std::size_t>(last)] + 1) {
            ++last;
        }
        if (!text.empty()) {
            text += ", ";
        }
        text += std::to_string(ssids_[static_cast<std::size_t>(i)]);
        if (last > i) {
            text += ".." + std::to_string(ssids_[static_cast<std::size_t>(last)]);
        }
        i = last + 1;
    }
    return text;
}

std::uint32_t TMyCall::SsidMask() const {
    std::uint32_t mask = 0;
    for (int i = 0; i < count_; ++i) {
        mask |= 1u << ssids_[static_cast<std::size_t>(i)];
    }
    return mask;
}

void TMyCall::Assign(const TMyCall& other) {
    call_ = other.call_;
    ssids_ = other.ssids_;
    count_ = other.count_;
}

// ---- TMyCalls --------------------------------------------------------------------------------------

std::shared_ptr<TMyCalls> TMyCalls::Create(RegistryStore& store) {
    std::shared_ptr<TMyCalls> calls(new TMyCalls(store));
    const std::lock_guard lock(liveLock);
    liveMyCalls = calls;
    return calls;
}

TMyCalls::TMyCalls(RegistryStore& store) : store_(store) {
    Lesen();
}

TMyCalls::~TMyCalls() {
    Speichern();
    publisher_.Clear();
}

std::shared_ptr<TMyCalls> MyCalls() {
    const std::lock_guard lock(liveLock);
    return liveMyCalls.lock();
}

void TMyCalls::Lesen() {
    store_.CreateKey(Hive::CurrentUser, kEigeneRufzeichenKey);
    for (const std::string& name : store_.SubKeyNames(Hive::CurrentUser, kEigeneRufzeichenKey)) {
        const std::uint32_t mask = store_.ReadDWord(Hive::CurrentUser, SubKey(name), "SSIDs").value_or(0);
        std::vector<int> ssids;
        for (int i = 0; i < TMyCall::kMaxSsids; ++i) {
            if (mask & (1u << i)) {
                ssids.push_back(i);
            }
        }
        if (ssids.empty()) {
            ssids.push_back(0);
        }
        Add(std::make_shared<TMyCall>(name, ssids));
    }
}

bool TMyCalls::Speichern() const {
    const Locker lock(lock_);
    bool ok = store_.CreateKey(Hive::CurrentUser, kEigeneRufzeichenKey);
    // One sub-key per call; a call entered twice keeps the SSIDs of both.
    std::vector<std::pair<std::string, std::uint32_t>> wanted;
    for (const std::shared_ptr<TMyCall>& call : calls_) {
        const std::string& name = call->GetCall();
        if (name.empty() || name.find('\\') != std::string::npos) {
            DebOutObj(kClass, "Speichern", "FEHLER: ungültiges Rufzeichen \"" + name + "\"");
            continue;
        }
        const auto known =
            std::find_if(wanted.begin(), wanted.end(), [&](const auto& w) { return w.first == name; });
        if (known != wanted.end()) {
            known->second |= call->SsidMask();
        } else {
            wanted.emplace_back(name, call->SsidMask());
        }
    }
    for (const auto& [name, mask] : wanted) {
        ok = store_.WriteDWord(Hive::CurrentUser, SubKey(name), "SSIDs", mask) && ok;
    }
    if (!ok) {
        // Remove nothing: the calls that are there stay until a write succeeds.
        DebOutObj(kClass, "Speichern", "FEHLER beim Schreiben der eigenen Rufzeichen.");
        return false;
    }
    const auto isWanted = [&](const std::string& name) {
        const std::string upper = Cp1252UpperCase(name);
        return std::any_of(wanted.begin(), wanted.end(), [&](const auto& w) { return w.first == upper; });
    };
    for (const std::string& name : store_.SubKeyNames(Hive::CurrentUser, kEigeneRufzeichenKey)) {
        if (!isWanted(name)) {
            ok = store_.DeleteKey(Hive::CurrentUser, SubKey(name)) && ok;
        }
    }
    // The order is the order the calls go to TNC channels. Sub-keys list in creation order, so from the
    // first one out of place on, each is made anew at the end; only that one call is briefly absent.
    const std::vector<std::string> stored = store_.SubKeyNames(Hive::CurrentUser, kEigeneRufzeichenKey);
    std::size_t first = 0;
    while (first < wanted.size() && first < stored.size() &&
           Cp1252UpperCase(stored[first]) == wanted[first].first) {
        ++first;
    }
    for (std::size_t i = first; i < wanted.size(); ++i) {
        store_.DeleteKey(Hive::CurrentUser, SubKey(wanted[i].first));
        ok = store_.WriteDWord(Hive::CurrentUser, SubKey(wanted[i].first), "SSIDs", wanted[i].second) && ok;
    }
    if (!ok) {
        DebOutObj(kClass, "Speichern", "FEHLER beim Schreiben der eigenen Rufzeichen.");
    }
    return ok;
}

void TMyCalls::NotifySubscribers(void* data) {
    publisher_.NotifySubscribers(data);
}

void TMyCalls::Changed() {
    NotifySubscribers(nullptr);
}

void TMyCalls::Assign(const TMyCalls& other) {
    if (&other == this) {
        return;
    }
    const std::vector<TMyCall> copies = other.Kopie();
    const Locker lock(lock_);
    Clear();
    for (const TMyCall& call : copies) {
        auto copy = std::make_shared<TMyCall>();
        copy->Assign(call);
        Add(std::move(copy));
    }
}

void TMyCalls::Clear() {
    const Locker lock(lock_);
    calls_.clear();
}

bool TMyCalls::Add(std::shared_ptr<TMyCall> call) {
    QUARN_ASSERT(call != nullptr, kUnit);
    if (!CallSignsUsable(*call)) {
        DebOutObj(kClass, "Add", "FEHLER: Rufzeichen \"" + call->GetCall() + "\" nicht übernommen.");
        return false;
    }
    const Locker lock(lock_);
    calls_.push_back(std::move(call));
    return true;
}

void TMyCalls::Subscribe(const std::shared_ptr<ISubscriber>& subscriber) {
    publisher_.Subscribe(subscriber);
}

void TMyCalls::Unsubscribe(const std::shared_ptr<ISubscriber>& subscriber) {
    publisher_.Unsubscribe(subscriber);
}

void TMyCalls::EndUpdate() {
    Speichern();
    lock_.unlock();
    Changed();
}

int TMyCalls::GetCount() const {
    const Locker lock(lock_);
    return static_cast<int>(calls_.size());
}

std::shared_ptr<TMyCall> TMyCalls::GetItem(int index) const {
    const Locker lock(lock_);
    QUARN_ASSERT(index >= 0 && index < static_cast<int>(calls_.size()), kUnit);
    return calls_[static_cast<std::size_t>(index)];
}

std::vector<TMyCall> TMyCalls::Kopie() const {
    const Locker lock(lock_);
    std::vector<TMyCall> copies;
    copies.reserve(calls_.size());
    for (const std::shared_ptr<TMyCall>& call : calls_) {
        copies.push_back(*call);
    }
    return copies;
}

} // namespace quarn
