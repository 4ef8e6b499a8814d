#include "foundation/AutomationStartMode.h"

#include "foundation/DebOutU.h"
#include "foundation/QuarnException.h"
#include "platform/XdgPaths.h"

#include <QCoreApplication>
#include <fstream>
#include <system_error>

namespace quarn {
namespace {

constexpr std::string_view kClass = "AutomationStartMode";

} // namespace

TStartMode ParseStartMode(const QStringList& arguments) {
    // The first argument is the program itself.
    for (qsizetype at = 1; at < arguments.size(); ++at) {
        const QString& argument = arguments.at(at);
        if (argument.size() < 2 || (argument.front() != u'-' && argument.front() != u'/')) {
            continue;
        }
        const QString name = argument.mid(1).toUpper();
        if (name == QLatin1String("REGSERVER")) {
            return TStartMode::RegServer;
        }
        if (name == QLatin1String("UNREGSERVER")) {
            return TStartMode::UnregServer;
        }
        if (name == QLatin1String("AUTOMATION") || name == QLatin1String("EMBEDDING")) {
            return TStartMode::Automation;
        }
    }
    return TStartMode::Standalone;
}

TStartMode StartMode() {
    static const TStartMode mode = ParseStartMode(QCoreApplication::arguments());
    return mode;
}

const char* StartModeName(TStartMode mode) {
    switch (mode) {
    case TStartMode::Automation:
        return "Automation";
    case TStartMode::RegServer:
        return "RegServer";
    case TStartMode::UnregServer:
        return "UnregServer";
    case TStartMode::Standalone:
        break;
    }
    return "Standalone";
}

std::filesystem::path AutomationServiceFile() {
    return XdgDataHome() / "dbus-1" / "services" / (std::string(kAutomationBusName) + ".service");
}

std::string AutomationServiceText(const std::filesystem::path& program) {
    // The bus splits Exec at blanks and honours shell-style quotes: a path with blanks is quoted.
    std::string exec = program.string();
    if (exec.find_first_of(" \t\"'\\") != std::string::npos) {
        std::string quoted = "\"";
        for (const char c : exec) {
            if (c == '"' || c == '\\') {
                quoted += '\\';
            }
            quoted += c;
        }
        exec = quoted + "\"";
    }
    return "[D-BUS Service]\nName=" + std::string(kAutomationBusName) + "\nExec=" + exec + " -Automation\n";
}

void RegisterAutomationServer(const std::filesystem::path& program) {
    const std::filesystem::path file = AutomationServiceFile();
    std::error_code error;
    std::filesystem::create_directories(file.parent_path(), error);
    const std::filesystem::path temporary = file.string() + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << AutomationServiceText(program);
        out.close();
        if (!out) {
            throw QuarnException(kClass, "RegisterAutomationServer", "Cannot write " + temporary.string());
        }
    }
    std::filesystem::rename(temporary, file, error);
    if (error) {
        std::filesystem::remove(temporary, error);
        throw QuarnException(kClass, "RegisterAutomationServer", "Cannot write " + file.string());
    }
    DebOutObj(kClass, "RegisterAutomationServer", file.string());
}

void UnregisterAutomationServer() {
    const std::filesystem::path file = AutomationServiceFile();
    std::error_code error;
    std::filesystem::remove(file, error);
    if (error) {
        throw QuarnException(kClass, "UnregisterAutomationServer", "Cannot remove " + file.string());
    }
    DebOutObj(kClass, "UnregisterAutomationServer", file.string());
}

} // namespace quarn
