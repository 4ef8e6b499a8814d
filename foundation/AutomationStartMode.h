#pragma once

#include <QStringList>
#include <filesystem>
#include <string>

namespace quarn {

// How the program was started, from its command line: the switches "REGSERVER", "UNREGSERVER",
// "AUTOMATION" and "EMBEDDING" with "-" or "/" in any case. "AUTOMATION" and "EMBEDDING" mean the
// session bus started the program to serve a client (the activation file passes "-Automation").
enum class TStartMode { Standalone, Automation, RegServer, UnregServer };

// The name the program owns on the session bus and under which the bus activates it.
inline constexpr const char* kAutomationBusName = "org.quarn.Quarn";
// A start for automation that finds no session bus ends with this code.
inline constexpr int kExitNoSessionBus = 6;
inline constexpr const char* kNoSessionBusText = "Der D-Bus-Sitzungsbus ist nicht erreichbar.";

TStartMode ParseStartMode(const QStringList& arguments);
// The start mode of this process (from QCoreApplication's arguments, read once).
TStartMode StartMode();
// "Standalone", "Automation", "RegServer" or "UnregServer".
const char* StartModeName(TStartMode mode);

// The activation file: $XDG_DATA_HOME/dbus-1/services/org.quarn.Quarn.service.
std::filesystem::path AutomationServiceFile();
// The file's text for the given program file.
std::string AutomationServiceText(const std::filesystem::path& program);
// Writes (REGSERVER) or removes (UNREGSERVER) the activation file for `program`; raises QuarnException
// when the file cannot be written or removed. Removing a file that is not there succeeds.
void RegisterAutomationServer(const std::filesystem::path& program);
void UnregisterAutomationServer();

} // namespace quarn
