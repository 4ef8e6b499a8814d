#pragma once

// Channels on a small test window, with settings in a private registry and the GUI hand-off open.
#include "TestKanalFenster.h"
#include "foundation/ConfigU.h"
#include "foundation/SynchronizeU.h"
#include "platform/Registry.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QElapsedTimer>
#include <gtest/gtest.h>
#include <memory>

namespace quarn::test {

class KanalFixture : public ::testing::Test {
protected:
    void SetUp() override { InitializeSynchronize(); }
    void TearDown() override { FinalizeSynchronize(); }

    // Runs the GUI loop (workers' calls, painting) until `done` or ten seconds have passed.
    template <typename Done> static bool PumpUntil(Done done) {
        QElapsedTimer timer;
        timer.start();
        while (!done()) {
            if (timer.elapsed() > 10000) {
                return false;
            }
            QApplication::processEvents(QEventLoop::AllEvents, 5);
        }
        return true;
    }

    TempDir dir;
    RegistryStore store{dir / "registry"};
    TConfig config{store};
    ScopedConfig scopedConfig{config};
    TestKanalFenster fenster;
};

} // namespace quarn::test
