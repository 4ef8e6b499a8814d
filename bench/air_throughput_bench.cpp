// Throughput of one link over the in-process air with the whole program stack at both ends: two
// host-mode devices, each on its simulated TNC through the in-process transport, real connections made
// by the connections' maker, an outgoing connect from one and the incoming link accepted by the other.
// Binary data (NUL and 0xFF included) goes into the caller's transmit queue and is timed until the
// called side's channel has all of it, checked byte for byte. Once with an air without air time (the
// program's own limit, in MB/s) and once at 9,600 baud (the payload rate against the line rate left
// after the frames' own bytes). Usage: air_throughput_bench [kilobytes unpaced, default 512]
// [kilobytes at 9,600 baud, default 24]
#include "bench/BenchHome.h"
#include "bench/CountingKanal.h"
#include "connections/VerbindungenAnmelden.h"
#include "devices/FunkKanalU.h"
#include "foundation/ConfigU.h"
#include "foundation/QueueU.h"
#include "foundation/SynchronizeU.h"
#include "platform/Registry.h"
#include "tests/devices/FakeKanal.h"
#include "tests/devices/TncSimHostmode.h"
#include "tools/tncsim/SimAir.h"
#include "tools/tncsim/SimFrame.h"
#include "tools/tncsim/TncSimConfig.h"
#include "tools/tncsim/TncSimCore.h"

#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using namespace quarn;
using bench::CountingKanal;

constexpr int kAirBaud = 9600;
constexpr std::size_t kPiece = 256; // one information frame's worth

// Runs the GUI loop until `done` or `limitMs` passed; false on the limit.
bool PumpUntil(const std::function<bool()>& done, int limitMs) {
    const auto start = std::chrono::steady_clock::now();
    while (!done()) {
        if (std::chrono::steady_clock::now() - start > std::chrono::milliseconds(limitMs)) {
            return false;
        }
        QEventLoop loop;
        QTimer::singleShot(2, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

std::string BinaryData(std::size_t size) {
    std::string data(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        data[i] = static_cast<char>((i * 7 + i / 256) & 0xff);
    }
    return data;
}

tncsim::TncSimConfig Tnc() {
    tncsim::TncSimConfig config = tncsim::ConfigFor(tncsim::Identity::Tnc2);
    config.channels = 4;
    config.startInHostMode = true;
    return config;
}

struct Result {
    bool ok = false;
    double seconds = 0;
    std::uint64_t airBusyUs = 0;
    int airFrames = 0;
};

// One link from DL1AAA to DL2BBB on an air with `airBaud` (0: no air time), `bytes` sent over it.
Result RunLink(int airBaud, std::size_t bytes) {
    Result result;
    std::vector<std::shared_ptr<CountingKanal>> channels;
    std::mutex channelsMutex;
    SetFreierKanalQuelle([&]() -> std::shared_ptr<IKanal> {
        const std::lock_guard lock(channelsMutex);
        channels.push_back(std::make_shared<CountingKanal>(static_cast<int>(channels.size()) + 1));
        return channels.back();
    });

    tncsim::AirOptions options;
    options.baud = airBaud;
    tncsim::SimAir air(options);
    tncsim::TncSimCore coreA(Tnc());
    tncsim::TncSimCore coreB(Tnc());
    air.Attach(coreA);
    air.Attach(coreB);
    auto a = std::make_shared<test::TncSimHostmode>(coreA, tncsim::SimTiming::Real);
    auto b = std::make_shared<test::TncSimHostmode>(coreB, tncsim::SimTiming::Real);
    a->calls = {{"DL1AAA", {0}}};
    b->calls = {{"DL2BBB", {0}}};
    a->Init();
    b->Init();
    std::shared_ptr<IVerbindung> link;
    const auto stop = [&] {
        a->DeInit();
        b->DeInit();
        if (link) {
            link->Release();
        }
        for (const auto& channel : channels) {
            if (const std::shared_ptr<IVerbindung> connection = channel->Connection()) {
                channel->SetVerbindung(nullptr);
                connection->Release();
            }
        }
        SetFreierKanalQuelle(nullptr);
    };
    if (!PumpUntil(
            [&] {
                return a->GetStatus() == TGeraetStatus::Bereit && b->GetStatus() == TGeraetStatus::Bereit;
            },
            20000)) {
        std::fprintf(stderr, "the devices did not get ready\n");
        stop();
        return result;
    }

    auto port = std::make_shared<TFunkKanal>(a);
    port->SetNummer(-1);
    std::string path = "DL2BBB";
    std::string myCall = "DL1AAA";
    const auto caller = std::make_shared<CountingKanal>(100);
    const TConnectResult connected = a->Verbinde(port, path, link, caller, myCall);
    const auto called = [&]() -> std::shared_ptr<CountingKanal> {
        const std::lock_guard lock(channelsMutex);
        return channels.empty() ? nullptr : channels.front();
    };
    if (connected != TConnectResult::Connected || !link ||
        !PumpUntil([&] { return called() && called()->Connection(); }, 20000)) {
        std::fprintf(stderr, "no link: connect result %d\n", static_cast<int>(connected));
        stop();
        return result;
    }
    PumpUntil([] { return false; }, 1000); // greetings and the first status pass settle

    const std::size_t before = called()->ReceivedSize();
    const std::string payload = BinaryData(bytes);
    const int framesBefore = air.FramesSent();
    const std::uint64_t busyBefore = air.BusyUs();
    const auto start = std::chrono::steady_clock::now();
    for (std::size_t at = 0; at < payload.size(); at += kPiece) {
        link->GetTransmitQueue().PushString(std::string_view(payload).substr(at, kPiece));
    }
    const bool arrived = PumpUntil([&] { return called()->ReceivedSize() >= before + bytes; }, 600000);
    result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    result.airFrames = air.FramesSent() - framesBefore;
    result.airBusyUs = air.BusyUs() - busyBefore;
    const std::string received = called()->Received();
    result.ok = arrived && received.size() == before + bytes && received.compare(before, bytes, payload) == 0;
    if (!result.ok) {
        std::fprintf(stderr, "the data did not arrive intact: %zu of %zu bytes\n", received.size() - before,
                     bytes);
    }
    stop();
    return result;
}

} // namespace

int main(int argc, char** argv) {
    const long unpacedKb = argc >= 2 ? std::atol(argv[1]) : 512;
    const long pacedKb = argc >= 3 ? std::atol(argv[2]) : 24;
    if (unpacedKb <= 0 || pacedKb <= 0) {
        std::fprintf(stderr,
                     "usage: %s [kilobytes unpaced, default 512] [kilobytes at 9600 baud, default 24]\n",
                     argv[0]);
        return 2;
    }

    const quarn::bench::BenchHome home("air_throughput_bench");

    QApplication application(argc, argv);
    InitializeSynchronize();
    VerbindungenAnmelden();
    bool ok = true;
    {
        TConfig config(RegistryStore::Instance());
        const ScopedConfig scoped(config);

        const std::size_t unpaced = static_cast<std::size_t>(unpacedKb) * 1024;
        const Result fast = RunLink(0, unpaced);
        ok = fast.ok && ok;
        if (fast.ok) {
            std::printf("no air time:  %zu bytes in %.2f s = %.3f MB/s (%d frames on the air)\n", unpaced,
                        fast.seconds, static_cast<double>(unpaced) / fast.seconds / 1e6, fast.airFrames);
        }

        // The line rate after framing: the share of a full information frame's air bytes that is payload.
        tncsim::AirFrame full;
        full.type = tncsim::FrameType::I;
        full.info.assign(kPiece, 'x');
        const double framed = static_cast<double>(kPiece) / static_cast<double>(tncsim::AirBytes(full));
        const double lineRate = kAirBaud / 8.0 * framed;
        const std::size_t paced = static_cast<std::size_t>(pacedKb) * 1024;
        const Result slow = RunLink(kAirBaud, paced);
        ok = slow.ok && ok;
        if (slow.ok) {
            const double rate = static_cast<double>(paced) / slow.seconds;
            std::printf(
                "%d baud air: %zu bytes in %.2f s = %.1f bytes/s = %.1f %% of the line rate after framing "
                "(%.1f bytes/s; %.1f %% of the raw %d bytes/s); air busy %.1f %% of the time, %d frames\n",
                kAirBaud, paced, slow.seconds, rate, 100.0 * rate / lineRate, lineRate,
                100.0 * rate / (kAirBaud / 8.0), kAirBaud / 8, 100.0 * slow.airBusyUs / 1e6 / slow.seconds,
                slow.airFrames);
        }
    }
    FinalizeSynchronize();
    return ok ? 0 : 1;
}
