#include "connections/remote/RemoteCommandsU.h"

#include "connections/remote/RemoteCommandManagerU.h"
#include "foundation/DebOutU.h"
#include "platform/Codepage.h"
#include "platform/Exception.h"

#include <exception>

namespace quarn {
namespace {

constexpr std::string_view kClass = "TRemoteCommands";
constexpr const char* kUnit = "RemoteCommandsU";

// Delphi's Trim: everything up to and including blank counts as space.
std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ') {
        text.remove_prefix(1);
    }
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') {
        text.remove_suffix(1);
    }
    return text;
}

} // namespace

TRemoteCommands::TRemoteCommands(std::weak_ptr<IVerbindung> connection)
    : connection_(std::move(connection)) {}

void TRemoteCommands::Release() {
    const Locker locker(lock_);
    connection_.reset();
}

std::string TRemoteCommands::GetOrdner() const {
    const Locker locker(lock_);
    return ordner_;
}

void TRemoteCommands::SetOrdner(std::string_view folder) {
    const Locker locker(lock_);
    ordner_ = folder;
}

void TRemoteCommands::Execute(std::string_view line) {
    std::shared_ptr<IVerbindung> connection;
    {
        const Locker locker(lock_);
        connection = connection_.lock();
    }
    if (!connection) {
        return;
    }
    if (line.starts_with("//")) {
        line.remove_prefix(2);
    }
    if (line.empty() || line.front() == '/' || line.front() == ' ') {
        return;
    }
    if (line.ends_with('\r')) {
        line.remove_suffix(1);
    }
    const std::size_t blank = line.find(' ');
    std::string word = Cp1252UpperCase(line.substr(0, blank));
    const std::string parameter(blank == std::string_view::npos ? std::string_view{}
                                                                : Trimmed(line.substr(blank + 1)));
    const auto reply = [&connection](std::string_view utf8) {
        connection->SendeText(std::string(kPrefix) + Utf8ToCp1252(utf8) + "\r", true, false, false, true);
    };

    TRemoteCommandManager* manager = RemoteCommandManager();
    const TRemoteCommandEintrag* command = manager ? manager->FindCommand(word) : nullptr;
    if (command == nullptr) {
        reply("Ungültiger Fernsteuerbefehl.");
        return;
    }
    if (!manager->IsAllowedFor(connection->Get_Call(), command->name)) {
        reply("Fernsteuerbefehl gesperrt.");
        return;
    }
    try {
        const std::unique_ptr<TRemoteCommand> run = command->factory(connection, *this);
        run->Execute(parameter);
    } catch (const std::exception& error) {
        DebOutObj(kClass, "Execute", std::string(command->name) + ": " + error.what());
        reply("Fehler bei der Ausführung des Fernsteuerbefehls.");
    }
}

TRemoteCommand::TRemoteCommand(std::shared_ptr<IVerbindung> connection, TRemoteCommands& interpreter)
    : connection_(std::move(connection)), interpreter_(interpreter) {
    QUARN_ASSERT(connection_ != nullptr, kUnit);
}

void TRemoteCommand::Send(std::string_view text) const {
    connection_->SendeText(text, true, false, false, true);
}

void TRemoteCommand::Meldung(std::string_view utf8) const {
    Send(std::string(TRemoteCommands::kPrefix) + Utf8ToCp1252(utf8) + "\r");
}

std::string DeutscheZahl(std::uint64_t value) {
    const std::string digits = std::to_string(value);
    std::string grouped;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) {
            grouped.push_back('.');
        }
        grouped.push_back(digits[i]);
    }
    return grouped;
}

} // namespace quarn
