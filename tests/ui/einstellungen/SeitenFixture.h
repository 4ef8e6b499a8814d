#pragma once

#include "ui/Hauptfenster.h"

#include <QApplication>
#include <QWidget>
#include <gtest/gtest.h>
#include <memory>

namespace quarn::test {

inline const std::filesystem::path kSeitenFontFile = QUARN_BINARY_DIR "/bin/quarn.fon";

// The whole program's main window with a top-level window of its own standing in for the settings
// window; a page is made on that window, sized as its tab would size it.
class SeitenFixture : public ::testing::Test {
protected:
    SeitenFixture() {
        window_.show();
        QApplication::setActiveWindow(&window_);
        QApplication::processEvents();
        host_->resize(kBreite, kHoehe);
    }

    template <typename Seite> Seite& Machen() {
        auto* seite = new Seite(host_.get());
        seite->resize(kBreite, kHoehe);
        host_->show();
        QApplication::processEvents();
        return *seite;
    }

    static constexpr int kBreite = 440;
    static constexpr int kHoehe = 380;
    THauptfenster window_{kSeitenFontFile};
    std::unique_ptr<QWidget> host_ = std::make_unique<QWidget>(&window_, Qt::Window);
};

} // namespace quarn::test
