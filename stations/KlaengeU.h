#pragma once

#include "platform/AudioSink.h"
#include "platform/Registry.h"

#include <QString>
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace quarn {

class IVerbindung;
class TPlaySeqThread;
struct TPlaySeqShared;

inline constexpr int kSoundEventCount = 20;

// What an event sounds like: 0 the global setting applies, 1 nothing, 2 the PC-speaker melody, 3 a
// wave file.
enum class TSignalArt : std::uint8_t { Erben = 0, Keiner = 1, PCLautsprecher = 2, WaveDatei = 3 };
// The announcement is kept and edited, but not spoken.
enum class TAnsageArt : std::uint8_t { Erben = 0, Keine = 1, Stimme = 2, Telegrafie = 3 };

// One sound event. HatAnsage: the editor offers the announcement; NurGlobal: no station override;
// Verwerfbar: dropped while the player is busy; Niedrig: low priority.
struct TSoundEventInfo {
    QString Name;
    int Nr = -1;
    bool HatAnsage = false;
    bool NurGlobal = false;
    bool Verwerfbar = false;
    bool Niedrig = false;
};

// The event's record (the number masked with 0x7F); for a number outside 0..19 an empty one (no name,
// Nr -1, no flags).
TSoundEventInfo SoundEventInfo(int event);

// The sounds of the program: resolves the setting of an event (station override, then the global one
// under "\Software\Velmoor\Quarn\Klaenge\NN") and queues a request for the one player thread. Any thread
// may call; nothing waits for playback. There is one instance at a time (Klaenge()).
class TKlaenge {
public:
    explicit TKlaenge(RegistryStore& store = RegistryStore::Instance(),
                      std::unique_ptr<IAudioSink> sink = MakeAudioSink());
    // Stops the player, also in the middle of a sound, and waits for it (at most 8000 ms).
    virtual ~TKlaenge();
    TKlaenge(const TKlaenge&) = delete;
    TKlaenge& operator=(const TKlaenge&) = delete;

    // True exactly when a request was queued. The connection (may be null) names the peer whose station
    // override applies.
    bool Play(int event, const IVerbindung* connection);
    // The same for a peer given by its call sign (empty: none).
    bool Play(int event, std::string_view peerCall);

    // With a call the station's own setting (exact call), else the global one; texts are Windows-1252.
    virtual void Load(std::string_view call, int event, std::uint8_t& announcement, std::string& waveFile,
                      std::uint8_t& signal);
    virtual void Save(std::string_view call, int event, std::uint8_t announcement, std::string_view waveFile,
                      std::uint8_t signal);
    // Removes the station's setting of the event; an empty call does nothing.
    virtual void DeleteStation(std::string_view call, int event);
    // Queues the wave file (Windows-1252 path) as the event's sound, so that the sound editor's trial
    // goes the one way every sound goes; a missing file plays nothing. False for an empty path.
    virtual bool PlayWaveFile(int event, std::string_view waveFile);

    void LoadGlobal(int event, std::uint8_t& announcement, std::string& waveFile, std::uint8_t& signal);
    void SaveGlobal(int event, std::uint8_t announcement, std::string_view waveFile, std::uint8_t signal);
    // False when there is no station of exactly that call (the values are then 0 and empty).
    bool LoadStation(std::string_view call, int event, std::uint8_t& announcement, std::string& waveFile,
                     std::uint8_t& signal);
    void SaveStation(std::string_view call, int event, std::uint8_t announcement, std::string_view waveFile,
                     std::uint8_t signal);

private:
    struct CacheEntry {
        bool loaded = false;
        std::uint8_t signal = 0;
        std::string waveFile;
        std::uint8_t announcement = 0;
    };

    RegistryStore& store_;
    std::array<CacheEntry, kSoundEventCount> cache_;
    std::shared_ptr<TPlaySeqShared> shared_;
    std::unique_ptr<TPlaySeqThread> thread_;
};

// The live sounds object, null while there is none.
TKlaenge* Klaenge();

} // namespace quarn
