#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <string_view>

namespace quarn {

// The enumerations the subsystems share, with their name tables. Values are explicit: they are stored
// in the registry and the station database and exchanged with automation clients.

// Kind of a remote station: stored per station, guessed by the connection from the first line the
// station sends, shown in lists. The enumerator names are those of the automation type library.
enum class TStationType : std::uint8_t {
    st_unknown = 0, // decided automatically
    st_digi = 1,    // digipeater or node
    st_box = 2,     // mailbox
    st_convers = 3,
    st_terminal = 4,
    st_cluster = 5,
    st_first = st_unknown,
    st_last = st_cluster,
};

// "Automatisch", "Digi", "Mailbox", "Convers", "Terminal", "Cluster" through the translation of the
// active language; "[undef]" for any other value (a stored kind may be anything).
QString StationTypeName(int kind);

// How a login prompt is answered from a stored password.
enum class TPasswortMethode : std::uint8_t { BayCom = 0, MD5 = 1, DieBox = 2 };
inline constexpr int kPasswortMethodeCount = 3;
// "BayCom", "MD5", "DieBox"; empty for other values.
QString PasswortMethodeName(int method);

// Which login a password is for.
enum class TPasswortArt : std::uint8_t { Benutzer = 0, Sysop = 1 };
inline constexpr int kPasswortArtCount = 2;
// "Benutzer", "Sysop" through the translation of the active language; empty for other values.
QString PasswortArtName(int kind);

// The terminal font sizes, the values the setting "Font" may hold.
inline constexpr std::array<std::string_view, 6> kTerminalFontSizes = {"07x09", "08x09", "08x12",
                                                                       "08x13", "08x15", "10x18"};

// Incoming-connection rule: the global setting holds 1 to 3; a station's own rule 0 means that the
// global one applies.
enum class TIncomingConnects : std::uint8_t { None = 0, Accept = 1, Ignore = 2, Reject = 3 };

// Result of a connect request; the caller turns it into a message.
enum class TConnectResult : int {
    Connected = 0, // request accepted
    UnknownError = 1,
    DeviceTimeout = 2,    // the device does not answer in time
    NoDevice = 3,         // the radio port has no device
    ChannelConnected = 4, // the channel already carries a connection
    NoFreeSsid = 5,
    DeviceError = 6,
    NoFreeChannel = 7,    // all channels are busy
    ModesNotTogether = 8, // the chosen modes cannot run at the same time
};

// Status of a device as shown to the operator; a new device starts Inaktiv.
enum class TGeraetStatus : std::uint8_t { Bereit = 0, Init = 1, Fehler = 2, Inaktiv = 3 };
// "Bereit", "Init", "Fehler", "Inaktiv" through the translation of the active language; empty for
// other values.
QString GeraetStatusText(int status);

// Why a protocol handler's event loop ended, as handed to its Terminated.
enum class TEndReason : std::uint8_t {
    Finished = 0,     // the transfer completed
    Stopped = 1,      // stopped on this side
    Aborted = 2,      // aborted or failed
    ThreadHandle = 3, // the connection thread's handle fired
    LinkDown = 4,     // the disconnect event: the link went down
};

} // namespace quarn
