#include "connections/VerbindungU.h"

#include "connections/ConnectionsListU.h"
#include "connections/send/DateiSendenQueueU.h"
#include "connections/remote/RemoteCommandsU.h"
#include "connections/StatusU.h"
#include "connections/VerbindungThreadU.h"
#include "devices/GeraetU.h"
#include "foundation/ConfigU.h"
#include "foundation/DebOutU.h"
#include "foundation/QuarnException.h"
#include "platform/Registry.h"
#include "stations/KlaengeU.h"
#include "stations/StationenDatenbankU.h"

#include <algorithm>
#include <cctype>

namespace quarn {

namespace {

constexpr std::string_view kClass = "TVerbindung";

std::atomic<int> liveConnections{0};

std::string TrimUpper(std::string_view text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(' ');
    std::string result(text.substr(first, last - first + 1));
    std::transform(result.begin(), result.end(), result.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return result;
}

// "DB0ABC VIA DB0XYZ V DB0QRS" reads as "DB0ABC DB0XYZ DB0QRS".
std::string WithoutVia(std::string_view text) {
    std::string result;
    result.reserve(text.size());
    std::size_t at = 0;
    while (at < text.size()) {
        if (text.substr(at, 5) == " VIA ") {
            at += 4; // the last blank stays and may start the next " V "
        } else if (text.substr(at, 3) == " V ") {
            at += 2;
        } else {
            result += text[at++];
        }
    }
    return result;
}

bool EndsWithNoCase(std::string_view text, std::string_view tail) {
    if (tail.size() > text.size()) {
        return false;
    }
    return std::equal(tail.begin(), tail.end(), text.end() - static_cast<std::ptrdiff_t>(tail.size()),
                      [](unsigned char a, unsigned char b) { return std::toupper(a) == std::toupper(b); });
}

thread_local std::shared_ptr<IApplication> currentClient;

} // namespace

std::shared_ptr<TVerbindung> TVerbindung::Create(const std::shared_ptr<TGeraet>& device,
                                                 RegistryStore* store) {
    std::shared_ptr<TVerbindung> connection(new TVerbindung(device, store));
    // Set before anyone else holds the connection, and never changed after.
    connection->remoteCommands_ = std::make_shared<TRemoteCommands>(connection);
    return connection;
}

TVerbindung::TVerbindung(const std::shared_ptr<TGeraet>& device, RegistryStore* store)
    : device_(device), hadDevice_(device != nullptr), store_(store), status_(std::make_shared<TStatus>()),
      sendQueue_(std::make_shared<TDateiSendenQueue>()) {
    DebOutObj(kClass, "Create", "");
    localEcho_ = Config() ? Config()->GetLocalEcho() : true;
    ++liveConnections;
}

TVerbindung::~TVerbindung() {
    Release();
    // A thread object still here belongs to a worker that no longer holds us: it has ended.
    thread_.reset();
    --liveConnections;
}

int TVerbindung::InstanceCount() {
    return liveConnections.load();
}

RegistryStore& TVerbindung::Store() const {
    return store_ ? *store_ : RegistryStore::Instance();
}

std::shared_ptr<TGeraet> TVerbindung::Device() const {
    return device_.lock();
}

void TVerbindung::PlaySound(int event) const {
    if (TKlaenge* sounds = Klaenge()) {
        sounds->Play(event, this);
    }
}

// ---- calls and paths ----

std::string TVerbindung::Get_Call() const {
    const Locker locker(lock_);
    return call_;
}

void TVerbindung::PutCall(std::string_view call) {
    const std::string upper = TrimUpper(call);
    std::shared_ptr<IStationenDatenbankEintrag> entry;
    if (TStationenDatenbank* database = StationenDatenbank(); database && !upper.empty()) {
        entry = database->FindEintrag(upper, true);
    }
    const Locker locker(lock_);
    call_ = upper;
    entry_ = std::move(entry);
}

void TVerbindung::Set_Call(std::string_view call) {
    PutCall(call);
}

std::string TVerbindung::Get_MyCall() const {
    const Locker locker(lock_);
    return myCall_;
}

void TVerbindung::Set_MyCall(std::string_view myCall) {
    // A peer's or client's request must not bring the program down: a plain error, not an assertion.
    if (state_.load() > 2) {
        throw QuarnException(kClass, "Set_MyCall",
                             "Das eigene Rufzeichen einer bestehenden Verbindung "
                             "kann nicht geändert werden.");
    }
    const Locker locker(lock_);
    myCall_ = TrimUpper(myCall);
}

std::string TVerbindung::Get_Digis() const {
    const Locker locker(lock_);
    return digis_;
}

void TVerbindung::Set_Digis(std::string_view digis) {
    const Locker locker(lock_);
    digis_ = std::string(digis);
}

std::string TVerbindung::Get_Path() const {
    const Locker locker(lock_);
    return digis_.empty() ? call_ : call_ + " " + digis_;
}

void TVerbindung::Set_Path(std::string_view path) {
    const std::string text = WithoutVia(TrimUpper(path));
    const auto blank = text.find(' ');
    PutCall(text.substr(0, blank));
    std::string digis;
    if (blank != std::string::npos) {
        digis = text.substr(blank + 1);
        digis.erase(0, digis.find_first_not_of(' '));
    }
    const Locker locker(lock_);
    digis_ = std::move(digis);
}

std::string TVerbindung::Get_RealPath() const {
    const Locker locker(lock_);
    return realPath_;
}

void TVerbindung::Set_RealPath(std::string_view path) {
    std::string text = WithoutVia(TrimUpper(path));
    const Locker locker(lock_);
    realPath_ = std::move(text);
}

std::int32_t TVerbindung::Get_Handle() const {
    const Locker locker(lock_);
    return handle_;
}

void TVerbindung::Set_Handle(std::int32_t handle) {
    const Locker locker(lock_);
    handle_ = handle;
}

// ---- simple properties ----

std::shared_ptr<IStatus> TVerbindung::GetStatus() const {
    const Locker locker(lock_);
    return status_;
}

std::shared_ptr<IKanalFuerVerbindung> TVerbindung::GetKanal() const {
    const Locker locker(lock_);
    return channel_;
}

void TVerbindung::SetKanal(std::shared_ptr<IKanalFuerVerbindung> channel) {
    if (released_.load() || !channel) {
        const Locker locker(lock_);
        channel_.reset();
        return;
    }
    bool announce = false;
    {
        const Locker locker(lock_);
        channel_ = channel;
        announce = announceDue_ && !announced_;
        announced_ = announced_ || announce;
    }
    // The channel is told without our lock: it may call back from its own lock.
    channel->SetVerbindung(shared_from_this());
    channel->StatusAktualisieren();
    if (announce) {
        AnnounceLink(*channel);
    }
}

std::shared_ptr<IKanalFuerVerbindung> TVerbindung::LinkAnnounceDue() {
    const Locker locker(lock_);
    announceDue_ = true;
    if (!channel_ || announced_) {
        return nullptr;
    }
    announced_ = true;
    return channel_;
}

void TVerbindung::AnnounceLink(IKanalFuerVerbindung& channel) const {
    if (IsRestored()) {
        channel.VerbindungGeaendert();
    } else {
        channel.Verbunden();
    }
}

void TVerbindung::SetStationTyp(TStationType kind) {
    std::shared_ptr<IKanalFuerVerbindung> channel;
    {
        const Locker locker(lock_);
        stationTyp_ = kind;
        channel = channel_;
    }
    if (channel) {
        channel->CallChange();
    }
}

TStationType TVerbindung::GetStationTyp() const {
    const Locker locker(lock_);
    return stationTyp_;
}

std::uint8_t TVerbindung::GetState() const {
    return state_.load();
}

void TVerbindung::SetState(std::uint8_t state) {
    if (state_.exchange(state) == state) {
        return;
    }
    if (const auto channel = GetKanal()) {
        channel->StatusAktualisieren();
    }
}

bool TVerbindung::GetAusgehend() const {
    const Locker locker(lock_);
    return ausgehend_;
}

void TVerbindung::SetAusgehend(bool outgoing) {
    bool rising = false;
    {
        const Locker locker(lock_);
        rising = outgoing && !ausgehend_;
        ausgehend_ = outgoing;
    }
    if (rising) {
        PlaySound(0);
    }
}

bool TVerbindung::GetConnectText() const {
    const Locker locker(lock_);
    return connectText_;
}

void TVerbindung::SetConnectText(bool send) {
    const Locker locker(lock_);
    connectText_ = send;
}

std::shared_ptr<IDateiSendenQueue> TVerbindung::GetDateiSendenQueue() const {
    return sendQueue_;
}

void TVerbindung::SetDateiSenden(std::shared_ptr<IDateiSenden> job) {
    std::shared_ptr<IKanalFuerVerbindung> channel;
    {
        const Locker locker(lock_);
        job_ = job;
        channel = channel_;
    }
    if (job && channel) {
        job->Subscribe(channel);
    }
}

std::shared_ptr<IDateiSenden> TVerbindung::GetDateiSenden() const {
    const Locker locker(lock_);
    return job_;
}

bool TVerbindung::GetFernsteuerung() const {
    const Locker locker(lock_);
    return fernsteuerung_;
}

void TVerbindung::SetFernsteuerung(bool enabled) {
    const Locker locker(lock_);
    fernsteuerung_ = enabled;
}

bool TVerbindung::GetModulAktiv() const {
    const Locker locker(lock_);
    return modulAktiv_;
}

void TVerbindung::SetModulAktiv(bool active) {
    std::shared_ptr<IKanalFuerVerbindung> channel;
    {
        const Locker locker(lock_);
        if (modulAktiv_ == active) {
            return;
        }
        modulAktiv_ = active;
        channel = channel_;
    }
    if (channel) {
        channel->StopAktualisieren();
    }
}

std::shared_ptr<IStationenDatenbankEintrag> TVerbindung::GetStationenDatenbankEintrag() const {
    const Locker locker(lock_);
    return entry_;
}

std::uint8_t TVerbindung::GetBinMode() const {
    const Locker locker(lock_);
    return binMode_;
}

void TVerbindung::SetBinMode(std::uint8_t protocol) {
    const Locker locker(lock_);
    binMode_ = protocol;
}

TIncomingConnects TVerbindung::GetIncomingConnects() const {
    if (const auto entry = GetStationenDatenbankEintrag()) {
        if (const TIncomingConnects rule = entry->GetFirewall(); rule != TIncomingConnects::None) {
            return rule;
        }
    }
    return static_cast<TIncomingConnects>(Config() ? Config()->GetIncomingConnects() : 1);
}

bool TVerbindung::GetPactor() const {
    const Locker locker(lock_);
    return pactor_;
}

void TVerbindung::SetPactor(bool pactor) {
    const Locker locker(lock_);
    pactor_ = pactor;
}

void TVerbindung::PactorChangeOver() {
    if (const auto device = Device()) {
        device->PactorChangeOver(shared_from_this());
    }
}

void TVerbindung::PactorBreakIn() {
    if (const auto device = Device()) {
        device->PactorBreakIn(shared_from_this());
    }
}

bool TVerbindung::GetLocalEcho() const {
    const Locker locker(lock_);
    return localEcho_;
}

void TVerbindung::SetLocalEcho(bool echo) {
    const Locker locker(lock_);
    localEcho_ = echo;
}

std::shared_ptr<IRemoteCommands> TVerbindung::GetRemoteCommands() const {
    return remoteCommands_;
}

void TVerbindung::SetModul(std::shared_ptr<IVerbindungAbstract> handler) {
    const Locker locker(lock_);
    handler_ = std::move(handler);
}

std::shared_ptr<IVerbindungAbstract> TVerbindung::GetModul() const {
    const Locker locker(lock_);
    return handler_;
}

void TVerbindung::StopModul() {
    if (const auto handler = GetModul()) {
        handler->Stop();
    }
}

std::vector<std::string> TVerbindung::GetHops() const {
    const Locker locker(lock_);
    return hops_;
}

// ---- handles and channel output ----

const Event* TVerbindung::GetHandle(int id) const {
    if (!handlesFilled_.load()) {
        return nullptr;
    }
    switch (id & 0x7F) {
    case 3:
        return &threadEnded_;
    case 4:
        return &disconnect_;
    case 5:
        return &receive_.NotEmptyEvent();
    case 6:
        return &typed_.NotEmptyEvent();
    case 7:
        return &transmit_.EmptyEvent();
    case 8:
        return &sendQueue_->GetEvent();
    default:
        return nullptr;
    }
}

int TVerbindung::ZeigeEmpfangen(std::string_view text) {
    const auto channel = GetKanal();
    if (!channel) {
        return -1;
    }
    return channel->TextEmpfangen(text);
}

void TVerbindung::ZeigeGesendet(std::string_view text) {
    if (const auto channel = GetKanal()) {
        channel->TextGesendet(text);
    }
}

void TVerbindung::KanalNotify(std::string_view text, int kind) {
    if (const auto channel = GetKanal()) {
        channel->PromptAusgabe(text, kind);
    }
}

void TVerbindung::KanalPrompt(std::string_view text, int kind) {
    DebOutObj(kClass, "KanalPrompt", text);
    if (const auto channel = GetKanal()) {
        channel->Prompt(text, kind);
    }
}

// ---- node hops ----

bool TVerbindung::InfoboxConnect(std::string_view call) {
    std::shared_ptr<IKanalFuerVerbindung> channel;
    {
        const Locker locker(lock_);
        if (stationTyp_ != TStationType::st_digi) {
            DebOutObj(kClass, "InfoboxConnect", "Ignoriert, kein Digi.");
            return false;
        }
        hops_.push_back(call_);
        digis_ = digis_.empty() ? call_ : digis_ + " " + call_;
    }
    PutCall(call);
    {
        const Locker locker(lock_);
        stationTyp_ = TStationType::st_unknown;
        channel = channel_;
    }
    if (channel) {
        channel->CallChange();
    }
    PlaySound(1);
    return true;
}

bool TVerbindung::InfoboxReconnect(std::string_view call) {
    std::size_t found = 0;
    {
        const Locker locker(lock_);
        if (hops_.empty()) {
            DebOutObj(kClass, "InfoboxReconnect", "Ignoriert, Liste ist leer.");
            return false;
        }
        const auto at = std::find(hops_.rbegin(), hops_.rend(), call);
        if (at == hops_.rend()) {
            DebOutObj(kClass, "InfoboxReconnect", "Ignoriert, Rufzeichen nicht in Liste.");
            return false;
        }
        found = static_cast<std::size_t>(hops_.rend() - at) - 1;
    }
    PutCall(call);
    std::shared_ptr<IKanalFuerVerbindung> channel;
    {
        const Locker locker(lock_);
        stationTyp_ = TStationType::st_digi;
        std::string digis = digis_;
        while (hops_.size() > found) {
            const std::string hop = hops_.back();
            if (EndsWithNoCase(digis, hop)) {
                digis.erase(digis.size() - hop.size());
                if (!digis.empty() && digis.back() == ' ') {
                    digis.pop_back();
                }
            }
            hops_.pop_back();
        }
        digis_ = std::move(digis);
        channel = channel_;
    }
    if (channel) {
        channel->CallChange();
    }
    PlaySound(4);
    return true;
}

// ---- start and release ----

void TVerbindung::Start(bool restored) {
    QUARN_ASSERT(hadDevice_, "VerbindungU");
    // Through SetState, so the channel's status bar leaves "Verbinde..." when the link comes up.
    SetState(3);
    restored_.store(restored);
    const Locker locker(threadLock_);
    if (thread_) {
        return;
    }
    disconnect_.Reset();
    threadEnded_.Reset();
    handlesFilled_.store(true);
    thread_ = std::make_unique<TVerbindungThread>(shared_from_this());
}

void TVerbindung::Release() {
    if (released_.exchange(true)) {
        DebOutObj(kClass, "Release", "already released");
        return;
    }
    releasedEvent_.Set();
    // A link released without Getrennt (its device went) must not leave its thread waiting for ever,
    // holding the connection: the handler ends as when the link goes down.
    disconnect_.Set();
    // While the object is still shared the list may hold it; from the destructor it holds it no more.
    if (TConnectionsList* list = TConnectionsList::Instance(); list && weak_from_this().lock()) {
        list->Remove(shared_from_this());
    }
    StopTimer();
    std::shared_ptr<IKanalFuerVerbindung> channel;
    std::shared_ptr<IStatus> status;
    {
        const Locker locker(lock_);
        entry_.reset();
        handler_.reset();
        job_.reset();
        channel = std::move(channel_);
        status = status_;
    }
    if (channel) {
        channel->SetVerbindung(nullptr);
    }
    if (status) {
        status->Release();
    }
    // Jobs still waiting hold the connection; they go with it.
    sendQueue_->Release();
    const Locker locker(clientLock_);
    for (ClientSlot& slot : clients_) {
        slot = ClientSlot{};
    }
}

void TVerbindung::CheckNotReleased() const {
    if (released_.load()) {
        throw QuarnException(kClass, "CheckNotReleased", "Connection released");
    }
}

// ---- the automation client of the calling thread ----

std::shared_ptr<IApplication> CurrentAutomationClient() {
    return currentClient;
}

ScopedAutomationClient::ScopedAutomationClient(std::shared_ptr<IApplication> client)
    : previous_(std::exchange(currentClient, std::move(client))) {}

ScopedAutomationClient::~ScopedAutomationClient() {
    currentClient = std::move(previous_);
}

} // namespace quarn
