#include "devices/flexnet/FlexnetAgwKernel.h"

#include "devices/flexnet/AgwAdressen.h"
#include "devices/flexnet/AgwMonitor.h"
#include "foundation/DebOutU.h"

#include <algorithm>

namespace quarn {
namespace {

constexpr auto kAnswerWait = std::chrono::seconds(3);
// A count query the modem left unanswered is asked again after this.
constexpr auto kQueryRetry = std::chrono::seconds(2);
constexpr std::size_t kMaxInfo = 256;
constexpr std::size_t kMaxDigis = 7;
// Monitored frames nobody reads are dropped from the oldest on.
constexpr std::size_t kMaxMonitored = 500;
constexpr int kUnknown = -1;
// The kernel's channels 0..15.
constexpr int kMaxPorts = 16;

// QSO states of the state word.
constexpr int kEndedWithError = 0;
constexpr int kEnded = 1;
constexpr int kSetup = 2;
constexpr int kDisconnecting = 4;
constexpr int kConnected = 5;
constexpr int kDataWaiting = 0x40;

bool SameCall(std::string_view a, std::string_view b) {
    return AgwCall(a) == AgwCall(b);
}

std::string PairKey(std::string_view a, std::string_view b) {
    return AgwCall(a) + ">" + AgwCall(b);
}

std::vector<std::optional<std::string>> PortTexts(std::string_view data) {
    // "2;Port1 first soundcard mono;Port2 INVALID CHANNEL;...": a count, then one text per port, each
    // named "Port" and its number from 1; a port that does not exist is listed as invalid.
    std::vector<std::optional<std::string>> ports;
    const std::string_view list = data.substr(0, data.find('\0'));
    std::size_t start = list.find(';');
    while (start != std::string_view::npos && start + 1 < list.size()) {
        const std::size_t end = list.find(';', start + 1);
        const std::string_view text =
            list.substr(start + 1, end == std::string_view::npos ? std::string_view::npos : end - start - 1);
        start = end;
        if (text.rfind("Port", 0) != 0 || text.find("INVALID") != std::string_view::npos) {
            continue;
        }
        std::size_t digits = 4;
        int number = 0;
        while (digits < text.size() && digits < 7 && text[digits] >= '0' && text[digits] <= '9') {
            number = number * 10 + (text[digits++] - '0');
        }
        if (number < 1 || number > kMaxPorts) {
            continue;
        }
        if (ports.size() < static_cast<std::size_t>(number)) {
            ports.resize(static_cast<std::size_t>(number));
        }
        ports[static_cast<std::size_t>(number - 1)] = std::string(text);
    }
    return ports;
}

std::uint32_t Number(std::string_view data, std::size_t at) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4 && at + i < data.size(); ++i) {
        value |= static_cast<std::uint32_t>(static_cast<unsigned char>(data[at + i])) << (8 * i);
    }
    return value;
}

AgwFrame Message(char kind, std::uint8_t port, std::string from, std::string to, std::string data = {}) {
    AgwFrame frame;
    frame.kind = kind;
    frame.port = port;
    frame.pid = 0xF0;
    frame.callFrom = std::move(from);
    frame.callTo = std::move(to);
    frame.data = std::move(data);
    return frame;
}

// The digipeater list of 'v' and 'V': a count, then ten bytes per call.
std::string DigiField(const std::vector<std::string>& digis) {
    std::string field(1, static_cast<char>(digis.size()));
    for (const std::string& digi : digis) {
        std::string call = digi.substr(0, kAgwCallLength);
        call.resize(10, '\0');
        field += call;
    }
    return field;
}

bool ValidPath(const std::string& ziel, const std::vector<std::string>& digis) {
    return IsAgwCall(ziel) && digis.size() <= kMaxDigis &&
           std::all_of(digis.begin(), digis.end(), [](const std::string& d) { return IsAgwCall(d); });
}

} // namespace

TFlexnetAgwKernel::TFlexnetAgwKernel(std::string host, std::uint16_t port)
    : host_(std::move(host)), port_(port),
      client_([this](const AgwFrame& frame) { OnFrame(frame); }, [this] { OnClosed(); }) {}

TFlexnetAgwKernel::~TFlexnetAgwKernel() {
    client_.Close();
}

std::uint8_t TFlexnetAgwKernel::ax_init() {
    client_.Close();
    {
        const std::lock_guard lock(mutex_);
        open_ = false;
        ports_.reset();
        version_.reset();
        links_.clear();
        registered_.clear();
        monitorOn_ = false;
        monitored_.clear();
    }
    if (!client_.Open(host_, port_)) {
        DebOutFmt("AGW: no modem at %s port %u", host_.c_str(), static_cast<unsigned>(port_));
        return 0;
    }
    std::unique_lock lock(mutex_);
    open_ = true;
    SendLocked(Message('R', 0, {}, {}));
    SendLocked(Message('G', 0, {}, {}));
    if (!changed_.wait_for(lock, kAnswerWait, [this] { return ports_.has_value() || !open_; }) || !open_) {
        lock.unlock();
        DebOut("AGW: the modem did not list its ports");
        client_.Close();
        return 0;
    }
    return 1;
}

void TFlexnetAgwKernel::ax_exit() {
    // Closing the link makes the modem end every link of ours.
    client_.Close();
    const std::lock_guard lock(mutex_);
    open_ = false;
    for (auto& [qso, link] : links_) {
        if (link.state > kEnded) {
            link.state = kEndedWithError;
        }
    }
}

std::optional<std::string> TFlexnetAgwKernel::l2_version() {
    const std::lock_guard lock(mutex_);
    return version_;
}

bool TFlexnetAgwKernel::ch_active(int n) {
    const std::lock_guard lock(mutex_);
    return open_ && PortActive(n);
}

std::optional<std::string> TFlexnetAgwKernel::get_ident(int n) {
    const std::lock_guard lock(mutex_);
    if (!PortActive(n)) {
        return std::nullopt;
    }
    return (*ports_)[static_cast<std::size_t>(n)];
}

int TFlexnetAgwKernel::l2_stat(int code, FlexnetQso qso) {
    const std::lock_guard lock(mutex_);
    if (code == 0) {
        DropReportedEnds(qso);
    }
    Link* link = Find(qso);
    switch (code) {
    case 0:
        if (link == nullptr) {
            return kEndedWithError;
        }
        if (link->state <= kEnded) {
            link->endReported = true;
        }
        return link->state | (link->received.empty() ? 0 : kDataWaiting);
    case 1:
        if (link == nullptr) {
            return 0;
        }
        if (link->state >= kConnected && open_ &&
            (!link->queryOpen || Clock::now() - link->queryAt > kQueryRetry)) {
            link->queryOpen = true;
            link->queryAt = Clock::now();
            link->sentSinceQuery = 0;
            SendLocked(Message('Y', link->port, link->own, link->remote));
        }
        return link->outstanding;
    default:
        // Maxframe, tries and frack stay inside the modem.
        return kUnknown;
    }
}

void TFlexnetAgwKernel::l2_bef(int code, FlexnetQso qso) {
    const std::lock_guard lock(mutex_);
    Link* link = Find(qso);
    if (link == nullptr) {
        return;
    }
    switch (code) {
    case 2:
        link->taken = true;
        break;
    case 3:
    case 4:
    case 5:
    case 6:
        if (link->state >= kSetup && link->state != kDisconnecting) {
            link->state = kDisconnecting;
            SendLocked(Message('d', link->port, link->own, link->remote));
        }
        break;
    default:
        break;
    }
}

std::optional<FlexnetAdresse> TFlexnetAgwKernel::l2_get_f(FlexnetQso qso) {
    const std::lock_guard lock(mutex_);
    const Link* link = Find(qso);
    if (link == nullptr) {
        return std::nullopt;
    }
    return FlexnetAdresse{link->remote, link->own, link->digis, link->port};
}

std::optional<FlexnetInfo> TFlexnetAgwKernel::l2_get_i(FlexnetQso qso) {
    const std::lock_guard lock(mutex_);
    Link* link = Find(qso);
    if (link == nullptr || link->received.empty()) {
        return std::nullopt;
    }
    FlexnetInfo info = std::move(link->received.front());
    link->received.pop_front();
    return info;
}

bool TFlexnetAgwKernel::l2_ialloc(FlexnetQso qso, int length) {
    const std::lock_guard lock(mutex_);
    const Link* link = Find(qso);
    return open_ && link != nullptr && link->state >= kConnected && length >= 0 &&
           static_cast<std::size_t>(length) <= kMaxInfo;
}

void TFlexnetAgwKernel::l2_send_frame(FlexnetQso qso, const FlexnetInfo& frame) {
    const std::lock_guard lock(mutex_);
    Link* link = Find(qso);
    if (link == nullptr || link->state < kConnected || frame.daten.size() > kMaxInfo) {
        return;
    }
    AgwFrame message = Message('D', link->port, link->own, link->remote, frame.daten);
    message.pid = frame.pid;
    SendLocked(message);
    ++link->outstanding;
    ++link->sentSinceQuery;
}

FlexnetQso TFlexnetAgwKernel::l2_get_sabm(std::string_view call) {
    const std::lock_guard lock(mutex_);
    const std::string own = AgwCall(call);
    if (!open_ || !IsAgwCall(own) || !ports_) {
        return 0;
    }
    if (registered_.insert(own).second) {
        for (int port = 0; port < kMaxPorts; ++port) {
            if (PortActive(port)) {
                SendLocked(Message('X', static_cast<std::uint8_t>(port), own, {}));
            }
        }
    }
    // Asked every few rounds: the time to look for links left pending too long.
    EndIgnoredLocked();
    for (auto& [qso, link] : links_) {
        if (link.incoming && !link.offered && !link.taken && link.state >= kConnected && link.own == own) {
            link.offered = true;
            link.offeredAt = Clock::now();
            return qso;
        }
    }
    return 0;
}

void TFlexnetAgwKernel::SetIgnoriertFrist(std::chrono::milliseconds frist) {
    const std::lock_guard lock(mutex_);
    ignoriertFrist_ = frist;
}

void TFlexnetAgwKernel::EndIgnoredLocked() {
    const Clock::time_point now = Clock::now();
    for (auto& [qso, link] : links_) {
        if (link.incoming && link.offered && !link.taken && link.state >= kConnected &&
            now - link.offeredAt >= ignoriertFrist_) {
            DebOut("AGW: link from " + link.remote + " left pending, ended");
            link.state = kDisconnecting;
            SendLocked(Message('d', link.port, link.own, link.remote));
        }
    }
}

void TFlexnetAgwKernel::build_frame(FlexnetAdresse& record, std::string_view myCall, std::string_view path) {
    const AgwPfad pfad = AgwPfadLesen(path);
    record.ziel = pfad.ziel;
    record.quelle = AgwCall(myCall);
    record.digis = pfad.digis;
    record.kanal = static_cast<std::uint8_t>(pfad.port.value_or(0));
}

FlexnetQso TFlexnetAgwKernel::l2_get_qnum(const FlexnetAdresse& record) {
    const std::lock_guard lock(mutex_);
    for (const auto& [qso, link] : links_) {
        if (link.port == record.kanal && SameCall(link.own, record.quelle) &&
            SameCall(link.remote, record.ziel)) {
            return qso;
        }
    }
    return 0;
}

FlexnetQso TFlexnetAgwKernel::l2_fconnect(const FlexnetAdresse& record) {
    const std::lock_guard lock(mutex_);
    const std::string own = AgwCall(record.quelle);
    const std::string remote = AgwCall(record.ziel);
    std::vector<std::string> digis;
    for (const std::string& digi : record.digis) {
        digis.push_back(AgwCall(digi));
    }
    if (!open_ || !PortActive(record.kanal) || !IsAgwCall(own) || !ValidPath(remote, digis) ||
        FindLive(record.kanal, own, remote) != 0) {
        return 0;
    }
    const FlexnetQso qso = NewQso();
    Link& link = links_[qso];
    link.port = record.kanal;
    link.own = own;
    link.remote = remote;
    link.digis = digis;
    link.state = kSetup;
    link.taken = true;
    if (digis.empty()) {
        SendLocked(Message('C', link.port, own, remote));
    } else {
        SendLocked(Message('v', link.port, own, remote, DigiField(digis)));
    }
    if (!open_) {
        links_.erase(qso);
        return 0;
    }
    return qso;
}

std::string TFlexnetAgwKernel::strcall(std::string_view address) {
    return AgwCall(address);
}

std::string TFlexnetAgwKernel::strpath(const FlexnetAdresse& record) {
    std::string path;
    for (const std::string& digi : record.digis) {
        if (!path.empty()) {
            path += ' ';
        }
        path += digi;
    }
    return path;
}

bool TFlexnetAgwKernel::l2_send_ui(std::string_view myCall, std::string_view portAndDestination,
                                   std::uint8_t pid, int /*flags*/, std::string_view data) {
    const std::lock_guard lock(mutex_);
    const AgwPfad pfad = AgwPfadLesen(portAndDestination);
    const std::string own = AgwCall(myCall);
    const int port = pfad.port.value_or(0);
    if (!open_ || !PortActive(port) || !IsAgwCall(own) || !ValidPath(pfad.ziel, pfad.digis) ||
        data.size() > kMaxInfo) {
        return false;
    }
    AgwFrame message = pfad.digis.empty()
                           ? Message('M', static_cast<std::uint8_t>(port), own, pfad.ziel, std::string(data))
                           : Message('V', static_cast<std::uint8_t>(port), own, pfad.ziel,
                                     DigiField(pfad.digis) + std::string(data));
    message.pid = pid;
    SendLocked(message);
    return open_;
}

void TFlexnetAgwKernel::l2_set_monitor() {
    const std::lock_guard lock(mutex_);
    if (open_ && !monitorOn_) {
        // 'k' switches the raw frames on and off in turn.
        SendLocked(Message('k', 0, {}, {}));
        monitorOn_ = open_;
    }
}

bool TFlexnetAgwKernel::l2_chk_monitor() {
    const std::lock_guard lock(mutex_);
    return open_ && monitorOn_;
}

void TFlexnetAgwKernel::l2_clr_monitor() {
    const std::lock_guard lock(mutex_);
    if (open_ && monitorOn_) {
        SendLocked(Message('k', 0, {}, {}));
    }
    monitorOn_ = false;
    monitored_.clear();
}

std::optional<FlexnetMonitor> TFlexnetAgwKernel::l2_get_monitor() {
    const std::lock_guard lock(mutex_);
    if (monitored_.empty()) {
        return std::nullopt;
    }
    return monitored_.front();
}

void TFlexnetAgwKernel::l2_ack_monitor() {
    const std::lock_guard lock(mutex_);
    if (!monitored_.empty()) {
        monitored_.pop_front();
    }
}

void TFlexnetAgwKernel::OnFrame(const AgwFrame& frame) {
    const std::lock_guard lock(mutex_);
    switch (frame.kind) {
    case 'R':
        version_ =
            "AGW " + std::to_string(Number(frame.data, 0)) + "." + std::to_string(Number(frame.data, 4));
        break;
    case 'G':
        ports_ = PortTexts(frame.data);
        break;
    case 'C':
        OnConnected(frame);
        break;
    case 'd':
        OnDisconnected(frame);
        break;
    case 'D':
        // What arrives on a link the device has not taken is nobody's: it is not kept.
        if (const FlexnetQso qso = FindLive(frame.port, frame.callTo, frame.callFrom);
            qso != 0 && links_[qso].taken) {
            links_[qso].received.push_back(FlexnetInfo{frame.pid, frame.data});
        }
        break;
    case 'Y':
        if (const FlexnetQso qso = FindLive(frame.port, frame.callFrom, frame.callTo)) {
            Link& link = links_[qso];
            link.outstanding = static_cast<int>(Number(frame.data, 0)) + link.sentSinceQuery;
            link.queryOpen = false;
        }
        break;
    case 'K':
        OnMonitored(frame);
        break;
    default:
        break;
    }
    changed_.notify_all();
}

void TFlexnetAgwKernel::OnConnected(const AgwFrame& frame) {
    // The modem names the remote station first and our own call second, whichever side began.
    const FlexnetQso known = FindLive(frame.port, frame.callTo, frame.callFrom);
    if (known != 0 && links_[known].state == kSetup) {
        links_[known].state = kConnected;
        return;
    }
    if (known != 0) {
        return;
    }
    const FlexnetQso qso = NewQso();
    Link& link = links_[qso];
    link.port = frame.port;
    link.own = AgwCall(frame.callTo);
    link.remote = AgwCall(frame.callFrom);
    link.state = kConnected;
    link.incoming = true;
}

void TFlexnetAgwKernel::OnDisconnected(const AgwFrame& frame) {
    const FlexnetQso qso = FindLive(frame.port, frame.callTo, frame.callFrom);
    if (qso == 0) {
        return;
    }
    Link& link = links_[qso];
    if (!link.taken) {
        // An incoming link the device never took (refused, ignored, or gone before it asked).
        links_.erase(qso);
        return;
    }
    // A link that never answered (or stopped answering) failed; a refused or ended one just ended.
    link.state = frame.data.find("RETRYOUT") != std::string::npos ? kEndedWithError : kEnded;
}

void TFlexnetAgwKernel::OnMonitored(const AgwFrame& frame) {
    if (!monitorOn_ || frame.data.empty()) {
        return;
    }
    const std::string_view raw = std::string_view(frame.data).substr(1);
    std::optional<bool> modulo128;
    if (const auto known = modulo128Pairs_.find(PairKey(frame.callFrom, frame.callTo));
        known != modulo128Pairs_.end()) {
        modulo128 = known->second;
    }
    auto decoded = AgwMonitorLesen(raw, frame.port, modulo128);
    if (!decoded) {
        return;
    }
    if (decoded->linkModulo128) {
        const FlexnetMonitor& m = decoded->monitor;
        for (const std::string& key : {PairKey(m.quelle, m.ziel), PairKey(m.ziel, m.quelle)}) {
            // After the link's end the next one may begin unseen: how it counts is open again.
            if (m.art == 6 || m.art == 7) {
                modulo128Pairs_.erase(key);
            } else {
                modulo128Pairs_[key] = *decoded->linkModulo128;
            }
        }
    }
    if (monitored_.size() == kMaxMonitored) {
        monitored_.pop_front();
    }
    monitored_.push_back(std::move(decoded->monitor));
}

void TFlexnetAgwKernel::OnClosed() {
    const std::lock_guard lock(mutex_);
    DebOut("AGW: the modem ended the link");
    open_ = false;
    monitorOn_ = false;
    for (auto& [qso, link] : links_) {
        if (link.state > kEnded) {
            link.state = kEndedWithError;
        }
    }
    changed_.notify_all();
}

bool TFlexnetAgwKernel::PortActive(int n) const {
    return ports_ && n >= 0 && static_cast<std::size_t>(n) < ports_->size() &&
           (*ports_)[static_cast<std::size_t>(n)];
}

TFlexnetAgwKernel::Link* TFlexnetAgwKernel::Find(FlexnetQso qso) {
    const auto it = links_.find(qso);
    return it == links_.end() ? nullptr : &it->second;
}

FlexnetQso TFlexnetAgwKernel::FindLive(std::uint8_t port, std::string_view own,
                                       std::string_view remote) const {
    for (const auto& [qso, link] : links_) {
        if (link.state > kEnded && link.port == port && SameCall(link.own, own) &&
            SameCall(link.remote, remote)) {
            return qso;
        }
    }
    return 0;
}

FlexnetQso TFlexnetAgwKernel::NewQso() {
    do {
        ++lastQso_;
    } while (lastQso_ == 0 || links_.count(lastQso_) != 0);
    return lastQso_;
}

void TFlexnetAgwKernel::SendLocked(const AgwFrame& frame) {
    if (open_ && !client_.Send(frame)) {
        // The reader tells the end; until then nothing more goes out.
        open_ = false;
    }
}

void TFlexnetAgwKernel::DropReportedEnds(FlexnetQso keep) {
    // An ended link is forgotten once the device has seen its end and moved on to another QSO.
    for (auto it = links_.begin(); it != links_.end();) {
        if (it->first != keep && it->second.endReported) {
            it = links_.erase(it);
        } else {
            ++it;
        }
    }
}

std::unique_ptr<IFlexnetKernel> MakeFlexnetAgwKernel(const std::string& host, int port) {
    if (port < 1 || port > 65535) {
        return nullptr;
    }
    return std::make_unique<TFlexnetAgwKernel>(host, static_cast<std::uint16_t>(port));
}

} // namespace quarn
