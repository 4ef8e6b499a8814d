// The program itself on a bus of its own: REGSERVER writes the activation file through which the bus
// starts the program for a client; the program ends when that client has gone, and a start for
// automation without a session bus ends with exit code 6.
#include "AutomationBusFixture.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace quarn::test {
namespace {

const QString kProgram = QStringLiteral(QUARN_BINARY_DIR "/bin/quarn");

class AutomationActivationTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Every folder the program uses lies in the test's own folder, and it runs without a display.
        for (const char* folder : {"home", "config", "data", "runtime", "cache"}) {
            std::filesystem::create_directories(dir / folder);
            std::filesystem::permissions(dir / folder, std::filesystem::perms::owner_all);
        }
        environment.insert("HOME", QString::fromStdString((dir / "home").string()));
        environment.insert("XDG_CONFIG_HOME", QString::fromStdString((dir / "config").string()));
        environment.insert("XDG_DATA_HOME", QString::fromStdString((dir / "data").string()));
        environment.insert("XDG_RUNTIME_DIR", QString::fromStdString((dir / "runtime").string()));
        environment.insert("XDG_CACHE_HOME", QString::fromStdString((dir / "cache").string()));
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        environment.remove("DBUS_SESSION_BUS_ADDRESS");
    }

    // Runs the program to its end; its exit code, -1 when it did not end in time.
    int Run(const QStringList& arguments, QString* errors = nullptr) {
        QProcess program;
        program.setProcessEnvironment(environment);
        program.start(kProgram, arguments);
        if (!program.waitForFinished(60000)) {
            program.kill();
            program.waitForFinished();
            return -1;
        }
        if (errors) {
            *errors = QString::fromUtf8(program.readAllStandardError());
        }
        return program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1;
    }

    TempDir dir;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
};

TEST_F(AutomationActivationTest, TheRegisteredProgramIsStartedByTheBusForAClientAndEndsAfterIt) {
    ASSERT_EQ(Run({"-RegServer"}), 0);
    const std::filesystem::path file = dir / "data/dbus-1/services/org.quarn.Quarn.service";
    ASSERT_TRUE(std::filesystem::exists(file));

    // The bus finds the file in the data folder of its environment.
    PrivateBus bus(environment);
    ASSERT_FALSE(bus.address().isEmpty());
    {
        BusClient client(bus.address(), "activating-client");
        const QDBusMessage reply = BusClient::Finish(
            client.Start("/org/quarn/Quarn", "org.quarn.Quarn.Factory", "CreateApplication"), 60000);
        const QString app = BusClient::Path(reply);
        ASSERT_EQ(app, "/org/quarn/Quarn/App/1") << BusClient::Error(reply).toStdString();
        EXPECT_EQ(client.Property(BusClient::Path(client.Call(app, kAppInterface, "MyCalls")),
                                  kMyCallsInterface, "Count"),
                  0);
        EXPECT_FALSE(client.Property(app, kAppInterface, "Visible").toBool()) << "started hidden";
    }
    // Its only client has gone and its window is hidden: the program ends and gives up the name.
    BusClient watcher(bus.address(), "watcher");
    EXPECT_TRUE(PumpFor(
        [&] {
            const QDBusMessage owner = watcher.CallDaemon("NameHasOwner", {QString::fromLatin1(kBusName)});
            return owner.type() == QDBusMessage::ReplyMessage && !owner.arguments().value(0).toBool();
        },
        60000));

    ASSERT_EQ(Run({"/UNREGSERVER"}), 0);
    EXPECT_FALSE(std::filesystem::exists(file));
}

TEST_F(AutomationActivationTest, AStartForAutomationWithoutSessionBusEndsWithCodeSix) {
    environment.insert("DBUS_SESSION_BUS_ADDRESS",
                       "unix:path=" + QString::fromStdString((dir / "no-bus").string()));
    QString errors;
    EXPECT_EQ(Run({"-Automation"}, &errors), 6);
    EXPECT_TRUE(errors.contains(QString::fromUtf8("Der D-Bus-Sitzungsbus ist nicht erreichbar.")))
        << errors.toStdString();
}

} // namespace
} // namespace quarn::test
