#pragma once

// The send preprocessor on a connection with a real send queue, a record of the channel's prompts, and
// the system's temporary folder moved into the test's own folder.
#include "connections/send/DateiSendenPraeprozessorU.h"
#include "connections/send/DateiSendenQueueU.h"
#include "connections/FakeModulVerbindung.h"
#include "foundation/FileStreamKioU.h"
#include "support/FileContents.h"
#include "support/ScopedEnv.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace quarn::test {

class QueueVerbindung final : public FakeModulVerbindung {
public:
    std::shared_ptr<IDateiSendenQueue> GetDateiSendenQueue() const override { return queue; }
    void KanalPrompt(std::string_view text, int kind) override {
        const std::lock_guard lock(promptMutex_);
        prompts_.emplace_back(std::string(text), kind);
    }
    std::vector<std::pair<std::string, int>> Prompts() const {
        const std::lock_guard lock(promptMutex_);
        return prompts_;
    }

    std::shared_ptr<TDateiSendenQueue> queue = std::make_shared<TDateiSendenQueue>();

private:
    mutable std::mutex promptMutex_;
    std::vector<std::pair<std::string, int>> prompts_;
};

class PraeprozessorFixture : public ::testing::Test {
protected:
    // The items hold the connection; releasing the queue breaks that cycle.
    void TearDown() override { verbindung->queue->Release(); }

    static std::unique_ptr<TFileStreamKio> OpenSource(const std::filesystem::path& path) {
        auto stream = std::make_unique<TFileStreamKio>();
        stream->SetFileName(path);
        stream->SetMode(fmOpenRead | fmShareDenyWrite);
        stream->Open();
        EXPECT_TRUE(stream->IsOpen()) << path;
        return stream;
    }

    std::vector<std::shared_ptr<IDateiSenden>> Items() const {
        std::vector<std::shared_ptr<IDateiSenden>> items;
        for (int i = 0; i < verbindung->queue->GetCount(); ++i) {
            items.push_back(verbindung->queue->GetItems(i));
        }
        return items;
    }

    static std::string StreamBytes(TStream& stream) {
        std::string bytes(static_cast<std::size_t>(stream.Size()), '\0');
        stream.SetPosition(0);
        bytes.resize(stream.Read(bytes.data(), bytes.size()));
        stream.SetPosition(0);
        return bytes;
    }

    TempDir dir;
    TempDir temp;
    ScopedEnv tmpdir{"TMPDIR", temp.path().string()};
    std::shared_ptr<QueueVerbindung> verbindung = std::make_shared<QueueVerbindung>();
};

} // namespace quarn::test
