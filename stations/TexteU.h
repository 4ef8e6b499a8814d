#pragma once

#include "platform/CriticalSection.h"
#include "platform/Registry.h"
#include "stations/TextKindInfo.h"

#include <functional>
#include <string>
#include <string_view>

namespace quarn {

class IVerbindung;

// The operator's fourteen stored texts: global ones under "\Software\Velmoor\Quarn\Texte\NN" (value
// "Text"), per-station ones in the station database. Loads, saves and deletes them for the editors and
// expands them for a connection. There is one instance at a time (Texte()); every operation runs under
// its lock, so any thread may call. Texts are bytes (Windows-1252).
class TTexte {
public:
    explicit TTexte(RegistryStore& store = RegistryStore::Instance());
    virtual ~TTexte();
    TTexte(const TTexte&) = delete;
    TTexte& operator=(const TTexte&) = delete;

    // The stored text, or the default when the kind's key does not exist.
    virtual void LoadGlobal(int kind, std::string& text);
    virtual void SaveGlobal(int kind, std::string_view text);
    // Afterwards the text reads as empty, not as the default.
    virtual void DeleteGlobal(int kind);
    // False when there is no station of exactly that call (then the text is empty and the flag set).
    virtual bool LoadStation(std::string_view call, int kind, bool& sendGlobalFirst, std::string& text);
    // Only for a station that exists.
    virtual void SaveStation(std::string_view call, int kind, bool sendGlobalFirst, std::string_view text);
    // An empty call does nothing.
    virtual void DeleteStation(std::string_view call, int kind);

    // With an empty call the global text (flag False, result True), else the station's; line feeds
    // removed either way.
    virtual bool Load(std::string_view call, int kind, bool& sendGlobalFirst, std::string& text);
    virtual void Save(std::string_view call, int kind, bool sendGlobalFirst, std::string_view text);
    virtual void Delete(std::string_view call, int kind);

    // Appends the text as the peer of the connection (may be null) gets it: the station's text of the
    // call with SSID, else of the call without, after the global one unless the station said otherwise;
    // placeholders expanded.
    virtual void ExpandText(int kind, const IVerbindung* connection, std::string& text);
    // The same with `vorlage` applied to the operator's text before the placeholders are filled in, so
    // that what the peer supplied (its name) is not touched by it.
    void ExpandText(int kind, const IVerbindung* connection, std::string& text,
                    const std::function<std::string(std::string_view)>& vorlage);
    // Expands the text and sends it on the connection (which must be given) as typed text with the "^"
    // escapes, which are the operator's: the peer's name is put in with its carets doubled, so it goes
    // out as the peer gave it. The lock is not held while sending: the connection may wait for the GUI
    // thread, which may want a text too.
    virtual void SendeText(int kind, IVerbindung* connection);

private:
    void Expand(int kind, const IVerbindung* connection, std::string& text,
                const std::function<std::string(std::string_view)>& vorlage, bool nameForEscapes);

    RegistryStore& store_;
    CriticalSection lock_;
};

// The live texts object, null while there is none.
TTexte* Texte();

} // namespace quarn
