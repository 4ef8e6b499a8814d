#pragma once

#include "foundation/InterfacesU.h"
#include "foundation/PublisherU.h"
#include "platform/CriticalSection.h"
#include "platform/Registry.h"

#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace quarn {

// The registry key of the own call signs: one sub-key per call, DWORD "SSIDs" a bit mask of 0..15.
inline constexpr std::string_view kEigeneRufzeichenKey = "\\Software\\Velmoor\\Quarn\\Eigene Rufzeichen";

// One own call sign with the SSIDs (0..15, ascending, each once) under which the program answers.
class TMyCall final : public IMyCall {
public:
    static constexpr int kMaxSsids = 16;

    TMyCall() = default;
    explicit TMyCall(std::string_view call, const std::vector<int>& ssids = {0});

    // Stored upper-cased.
    void SetCall(std::string_view call);
    const std::string& GetCall() const { return call_; }
    std::string Get_Call() const override { return call_; }

    // Values outside 0..15 and repeats are dropped; the rest is sorted.
    void SetSSIDs(const std::vector<int>& ssids);
    int GetCount() const { return count_; }
    int GetSSID(int index) const;
    std::vector<int> GetSSIDs() const;
    // "CALL" for SSID 0, else "CALL-n"; index in 0..count-1.
    std::string GetRufzeichen(int index) const;
    // Runs of consecutive SSIDs as "first..last", items separated by ", " ("0..2, 5, 7..8").
    std::string GetSSIDListe() const;
    // The registry's bit mask.
    std::uint32_t SsidMask() const;

    void Assign(const TMyCall& other);

private:
    std::string call_;
    std::array<int, kMaxSsids> ssids_{};
    int count_ = 0;
};

// The single list of own call signs: read from the registry when made, edited through BeginUpdate /
// Clear / Add / EndUpdate, watched through publish/subscribe (nil: the list changed). The registry is
// written whenever an update ends, so it always holds the list the program works with.
class TMyCalls final : public IPublisher {
public:
    // Reads the list and makes it the program's list (MyCalls()) while it lives.
    static std::shared_ptr<TMyCalls> Create(RegistryStore& store = RegistryStore::Instance());
    ~TMyCalls() override;
    TMyCalls(const TMyCalls&) = delete;
    TMyCalls& operator=(const TMyCalls&) = delete;

    void NotifySubscribers(void* data);
    void Changed();
    // Replaces the list by copies of the other list's calls.
    void Assign(const TMyCalls& other);
    void Clear();
    // False, traced, for a call that is no usable call sign with one of its SSIDs (SplitCallSign).
    bool Add(std::shared_ptr<TMyCall> call);
    void Subscribe(const std::shared_ptr<ISubscriber>& subscriber) override;
    void Unsubscribe(const std::shared_ptr<ISubscriber>& subscriber) override;

    // Readers that walk the list hold the lock; writers use BeginUpdate / EndUpdate (same lock).
    void Lock() const { lock_.lock(); }
    void Unlock() const { lock_.unlock(); }
    void BeginUpdate() { lock_.lock(); }
    // Writes the list to the registry, leaves the lock, then publishes the change.
    void EndUpdate();

    int GetCount() const;
    std::shared_ptr<TMyCall> GetItem(int index) const;
    // A copy of every call, taken under the lock.
    std::vector<TMyCall> Kopie() const;

    // Writes the list: the sub-keys of the present calls first, then those no longer there are removed,
    // so an interrupted write never leaves fewer calls than before. False when a write failed.
    bool Speichern() const;

private:
    explicit TMyCalls(RegistryStore& store);
    void Lesen();

    RegistryStore& store_;
    mutable CriticalSection lock_;
    TPublisher publisher_;
    std::vector<std::shared_ptr<TMyCall>> calls_;
};

// The program's own-call list, null while there is none.
std::shared_ptr<TMyCalls> MyCalls();

// Holds the list's lock for a scope (readers).
class TMyCallsLocker {
public:
    explicit TMyCallsLocker(const TMyCalls& calls) : calls_(calls) { calls_.Lock(); }
    ~TMyCallsLocker() { calls_.Unlock(); }
    TMyCallsLocker(const TMyCallsLocker&) = delete;
    TMyCallsLocker& operator=(const TMyCallsLocker&) = delete;

private:
    const TMyCalls& calls_;
};

} // namespace quarn
