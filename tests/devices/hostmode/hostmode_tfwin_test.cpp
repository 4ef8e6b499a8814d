// The library transport against a small fake of the driver library.
#include "devices/hostmode/GeraetHostmodeTFWinU.h"
#include "platform/Codepage.h"
#include "support/Elapsed.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <thread>

namespace quarn::test {
namespace {

class TestTFWin : public TGeraetHostmodeTFWin {
public:
    std::function<void(TestTFWin&)> body;
    void Run() override { body(*this); }
    void RunOnThread(std::function<void(TestTFWin&)> work) {
        body = std::move(work);
        Init();
        const auto start = std::chrono::steady_clock::now();
        while (HasThread() && msSince(start) < 5000) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        DeInit();
    }
};

void Control(int openResult, int silent) {
    // Held open for the whole program, so the device's own load shares these settings.
    static void* const handle = ::dlopen(FAKE_TFWIN_PATH, RTLD_NOW);
    ASSERT_NE(handle, nullptr);
    auto control = reinterpret_cast<void (*)(int, int)>(::dlsym(handle, "FakeTfControl"));
    control(openResult, silent);
}

TEST(HostmodeTFWin, MissingLibraryGivesStatusFehler) {
    auto device = std::make_shared<TestTFWin>();
    device->SetBibliothek("/nonexistent/libtfwin32.so");
    bool opened = true;
    device->RunOnThread([&](TestTFWin& d) { opened = d.CommOpen(); });
    EXPECT_FALSE(opened);
    EXPECT_EQ(device->GetStatusText(), "Fehler - TFWIN32.DLL nicht gefunden");
}

TEST(HostmodeTFWin, RefusedOpenGivesStatusFehler) {
    Control(0, 0);
    auto device = std::make_shared<TestTFWin>();
    device->SetBibliothek(FAKE_TFWIN_PATH);
    bool opened = true;
    device->RunOnThread([&](TestTFWin& d) { opened = d.CommOpen(); });
    EXPECT_FALSE(opened);
    EXPECT_EQ(device->GetStatusText(), "Fehler - TFOpen fehlgeschlagen");
}

TEST(HostmodeTFWin, TransactionsRunThroughTheLibrary) {
    Control(1, 0);
    auto device = std::make_shared<TestTFWin>();
    device->SetBibliothek(FAKE_TFWIN_PATH);
    bool ok = false;
    int code = -1;
    device->RunOnThread([&](TestTFWin& d) {
        std::string text;
        ok = d.CommOpen() && d.Befehl(3, true, code, text, "L");
        d.CommClose();
    });
    EXPECT_TRUE(ok);
    EXPECT_EQ(code, 0);
}

TEST(HostmodeTFWin, ReadWithoutDataStillAsksTheLibraryAfterAQuarterSecond) {
    Control(1, 1);
    auto device = std::make_shared<TestTFWin>();
    device->SetBibliothek(FAKE_TFWIN_PATH);
    bool ok = true;
    long long elapsed = 0;
    device->RunOnThread([&](TestTFWin& d) {
        d.CommOpen();
        char byte = 0;
        std::size_t read = 0;
        const auto start = std::chrono::steady_clock::now();
        ok = d.CommRead(&byte, 1, read);
        elapsed = msSince(start);
        d.CommClose();
    });
    EXPECT_FALSE(ok); // the fake's TfGet answers -1 without data
    EXPECT_GE(elapsed, 240);
    EXPECT_LT(elapsed, 800);
}

} // namespace
} // namespace quarn::test
