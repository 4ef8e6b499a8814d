#include "stations/PlaySeqThread.h"

#include "foundation/DebOutU.h"
#include "foundation/GlobalU.h"
#include "foundation/UnhandledExceptionU.h"
#include "platform/Codepage.h"
#include "stations/KlaengeMelodien.h"
#include "stations/KlaengeU.h"

#include <filesystem>
#include <system_error>

namespace quarn {

namespace {

constexpr const char* kClass = "TPlaySeqThread";

// Sets the player state for one request and back to idle on every way out.
class PlayingState {
public:
    PlayingState(TPlaySeqShared& shared, bool low) : shared_(shared) {
        Locker lock(shared_.lock);
        shared_.state = low ? 1 : 2;
    }
    ~PlayingState() {
        Locker lock(shared_.lock);
        shared_.state = 0;
    }
    PlayingState(const PlayingState&) = delete;
    PlayingState& operator=(const PlayingState&) = delete;

private:
    TPlaySeqShared& shared_;
};

void PlayRequest(TPlaySeqShared& shared, const TPlayRequest& request, const AudioStop& stop) {
    if (request.signal == static_cast<std::uint8_t>(TSignalArt::WaveDatei) && !request.waveFile.empty()) {
        const std::filesystem::path file(Cp1252ToUtf8(request.waveFile));
        std::error_code error;
        if (std::filesystem::is_regular_file(file, error)) {
            // A file that is no sound plays nothing: there is no default sound to fall back on.
            shared.player.PlayWave(file, stop);
        }
    } else if (request.signal == static_cast<std::uint8_t>(TSignalArt::PCLautsprecher)) {
        shared.player.PlayTones(PCSpeakerMelody(request.event), stop);
    }
}

void Execute(Thread& self, TPlaySeqShared& shared) {
    const Event& quit = QuitEvent();
    const AudioStop stop{&quit, &self.StopEvent()};
    for (;;) {
        if (WaitForAny({quit, self.StopEvent(), shared.queue.NotEmptyEvent()}, kInfinite) != 2) {
            return;
        }
        const std::unique_ptr<TPlayRequest> request = shared.queue.Pop();
        if (!request) {
            continue;
        }
        const PlayingState playing(shared, SoundEventInfo(request->event).Niedrig);
        PlayRequest(shared, *request, stop);
    }
}

// Sets the event when the body ends, however it ends.
class EndedSignal {
public:
    explicit EndedSignal(std::shared_ptr<Event> ended) : ended_(std::move(ended)) {}
    ~EndedSignal() { ended_->Set(); }
    EndedSignal(const EndedSignal&) = delete;
    EndedSignal& operator=(const EndedSignal&) = delete;

private:
    std::shared_ptr<Event> ended_;
};

} // namespace

TPlaySeqThread::TPlaySeqThread(std::shared_ptr<TPlaySeqShared> shared)
    : shared_(std::move(shared)), ended_(std::make_shared<Event>(EventReset::Manual)),
      thread_("PlaySeqThread", [shared = shared_, ended = ended_](Thread& self) {
          const EndedSignal signal(ended);
          try {
              Execute(self, *shared);
          } catch (...) {
              ReportUnhandledException(std::current_exception(), kClass, "Execute", "");
          }
      }) {
    thread_.Start();
}

TPlaySeqThread::~TPlaySeqThread() {
    Shutdown();
}

bool TPlaySeqThread::Shutdown(std::uint32_t timeoutMs) {
    if (shutDown_) {
        return !thread_.IsRunning();
    }
    shutDown_ = true;
    thread_.RequestStop();
    if (WaitPumping({*ended_}, timeoutMs) == 0 && thread_.Join(timeoutMs)) {
        DebOutObj("TKlaenge", "Destroy", "PlaySeqThread normal beendet.");
        return true;
    }
    // Never killed: it holds the shared state and ends by itself at its next stop check.
    DebOutObj("TKlaenge", "Destroy", "PlaySeqThread wird abgebrochen...");
    thread_.Detach();
    DebOutObj("TKlaenge", "Destroy", "PlaySeqThread wurde abgebrochen.");
    return false;
}

} // namespace quarn
