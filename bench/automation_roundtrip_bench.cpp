// An automation client's round trip over the session bus: SendText onto a connection whose sent text
// comes straight back as received text (a loop-back link), then ReceiveText of that text. Printed:
// round trips per second. The bus is a dbus-daemon of the benchmark's own.
#include "BenchHome.h"
#include "connections/automation/AutomationServer.h"
#include "connections/ConnectionsListU.h"
#include "connections/VerbindungU.h"
#include "platform/Event.h"
#include "platform/WaitForAny.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QProcess>
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>

namespace {

using namespace quarn;

// Sends back as received text whatever the client typed.
class LoopBack {
public:
    explicit LoopBack(std::shared_ptr<TVerbindung> connection)
        : connection_(std::move(connection)), thread_([this] { Run(); }) {}
    ~LoopBack() {
        stop_.Set();
        thread_.join();
    }

private:
    void Run() {
        TStringQueue& typed = connection_->GetTypedTextQueue();
        while (WaitForAny({stop_, typed.NotEmptyEvent()}, kInfinite) == 1) {
            while (!typed.IsEmpty()) {
                connection_->EmpfangeText(typed.PopString());
            }
        }
    }

    std::shared_ptr<TVerbindung> connection_;
    Event stop_{EventReset::Manual, false};
    std::thread thread_;
};

QDBusMessage Call(QDBusConnection& bus, const QString& path, const char* interface, const char* method,
                  const QVariantList& arguments = {}) {
    QDBusMessage message = QDBusMessage::createMethodCall("org.quarn.Quarn", path, interface, method);
    message.setArguments(arguments);
    return bus.call(message, QDBus::Block, 600000);
}

void BM_SendTextReceiveTextRoundTrip(benchmark::State& state) {
    QProcess daemon;
    daemon.start("dbus-daemon", {"--session", "--nofork", "--nopidfile", "--print-address=1"});
    if (!daemon.waitForStarted() || !daemon.waitForReadyRead()) {
        state.SkipWithError("dbus-daemon could not be started");
        return;
    }
    const QString address = QString::fromUtf8(daemon.readLine()).trimmed();
    {
        TConnectionsList connections;
        const auto connection = TVerbindung::Create(nullptr);
        connection->Set_Path("DB0ABC");
        connection->SetLocalEcho(false);
        connections.Add(connection);
        const LoopBack loopBack(connection);
        const TAutomationServer server(address);

        QDBusConnection client = QDBusConnection::connectToBus(address, "bench-client");
        const QString app = Call(client, "/org/quarn/Quarn", "org.quarn.Quarn.Factory", "CreateApplication")
                                .arguments()
                                .value(0)
                                .value<QDBusObjectPath>()
                                .path();
        const QString conn =
            Call(client, app, "org.quarn.Quarn.Application", "FindConnection", {QStringLiteral("DB0ABC")})
                .arguments()
                .value(0)
                .value<QDBusObjectPath>()
                .path();
        // The first read attaches the client; text from then on is its own. Greetings sent until it
        // answers may leave a few pieces queued: each round trip still takes out one for the one it
        // puts in.
        QDBusMessage first = QDBusMessage::createMethodCall("org.quarn.Quarn", conn,
                                                            "org.quarn.Quarn.Connection", "ReceiveText");
        QDBusPendingCall attached = client.asyncCall(first, 600000);
        while (!attached.isFinished()) {
            Call(client, conn, "org.quarn.Quarn.Connection", "SendText", {QStringLiteral("hello")});
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        for (auto _ : state) {
            Call(client, conn, "org.quarn.Quarn.Connection", "SendText", {QStringLiteral("ping")});
            const QDBusMessage reply = Call(client, conn, "org.quarn.Quarn.Connection", "ReceiveText");
            if (reply.type() != QDBusMessage::ReplyMessage) {
                state.SkipWithError(reply.errorMessage().toStdString().c_str());
                break;
            }
        }
        state.counters["round_trips_per_s"] =
            benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
        client = QDBusConnection(QString());
        QDBusConnection::disconnectFromBus("bench-client");
        connection->Release();
    }
    daemon.terminate();
    daemon.waitForFinished();
}
BENCHMARK(BM_SendTextReceiveTextRoundTrip)->UseRealTime()->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    const quarn::bench::BenchHome home("automation_roundtrip_bench");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
