// The README's recipes as a new user types them, so that none of them can rot: every command of its
// indented blocks is run (the build commands are checked against the presets instead of building a
// third time), every registry snippet is read by the program's own registry store, and the program
// that scripts/run.sh starts against the README's simulator, with the README's hive files, answers the
// automation example and takes the simulator's incoming link, on a session bus of its own.
#include "ReadmeBlocks.h"
#include "platform/Registry.h"
#include "support/FileContents.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>

#include <map>
#include <optional>
#include <regex>
#include <sys/stat.h>

namespace quarn::test {
namespace {

namespace fs = std::filesystem;

const fs::path kSource = QUARN_SOURCE_DIR;
const fs::path kBinary = QUARN_BINARY_DIR;
constexpr const char* kHeader = "QUARN REGISTRY 1";

// What a command of the README is, by how it starts.
enum class Recipe {
    RunScript,
    TestScript,
    PresetBuild,
    Simulator,
    DidaditScript,
    BusLook,
    AutomationExample
};

std::optional<Recipe> RecipeOf(const std::string& command) {
    static const std::vector<std::pair<std::string, Recipe>> starts = {
        {"bash scripts/run.sh", Recipe::RunScript},
        {"bash scripts/test.sh", Recipe::TestScript},
        {"cmake --preset ", Recipe::PresetBuild},
        {"build/default/bin/tncsim ", Recipe::Simulator},
        {"python3 tools/didadit_script.py ", Recipe::DidaditScript},
        {"gdbus introspect ", Recipe::BusLook},
        {"/usr/bin/python3 tools/automation_beispiel.py ", Recipe::AutomationExample},
    };
    for (const auto& [start, recipe] : starts) {
        if (command.starts_with(start)) {
            return recipe;
        }
    }
    return std::nullopt;
}

std::vector<ReadmeBlock> Blocks() {
    auto blocks = ReadmeBlocks(kSource / "README.md");
    EXPECT_FALSE(blocks.empty()) << "no indented blocks in README.md";
    return blocks;
}

// Every command of the README's command blocks, in order, with the line of its block.
std::vector<std::pair<int, std::string>> Commands(const std::vector<ReadmeBlock>& blocks) {
    std::vector<std::pair<int, std::string>> commands;
    for (const ReadmeBlock& block : blocks) {
        if (!block.IsRegistry()) {
            for (std::string& command : block.Commands()) {
                commands.emplace_back(block.line, std::move(command));
            }
        }
    }
    return commands;
}

// A folder in which the README's relative paths lead where they do in the project folder, so that what
// a command writes (dl.txt) lands in the test's folder; build/default is the build under test.
void MakeProjectView(const fs::path& view) {
    for (const char* folder : {"tools", "tests", "scripts"}) {
        fs::create_directory_symlink(kSource / folder, view / folder);
    }
    fs::create_directories(view / "build");
    fs::create_directory_symlink(kBinary, view / "build/default");
}

// Private folders of everything the program and the bus keep, and no display.
QProcessEnvironment PrivateEnvironment(const fs::path& home) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const auto& [variable, folder] : std::map<QString, const char*>{{"HOME", "home"},
                                                                         {"XDG_CONFIG_HOME", "config"},
                                                                         {"XDG_DATA_HOME", "data"},
                                                                         {"XDG_RUNTIME_DIR", "runtime"},
                                                                         {"XDG_CACHE_HOME", "cache"}}) {
        fs::create_directories(home / folder);
        fs::permissions(home / folder, fs::perms::owner_all);
        environment.insert(variable, QString::fromStdString((home / folder).string()));
    }
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    environment.remove("DBUS_SESSION_BUS_ADDRESS");
    return environment;
}

// A simulator started by a README command through the shell; it prints its pseudo-terminal's path.
class SimulatorRun {
public:
    SimulatorRun(const std::string& command, const fs::path& folder) {
        process_.setWorkingDirectory(QString::fromStdString(folder.string()));
        process_.start("bash", {"-c", QString::fromStdString("exec " + command)});
        if (process_.waitForStarted(5000)) {
            while (!process_.canReadLine() && process_.waitForReadyRead(10000)) {
            }
            path_ = QString::fromUtf8(process_.readLine()).trimmed().toStdString();
        }
    }
    ~SimulatorRun() { Stop(); }
    SimulatorRun(const SimulatorRun&) = delete;
    SimulatorRun& operator=(const SimulatorRun&) = delete;

    const std::string& Path() const { return path_; }
    std::string Errors() { return process_.readAllStandardError().toStdString(); }
    bool Running() const { return process_.state() == QProcess::Running; }
    // Ctrl+C's sibling; the exit code, -1 when it did not end by itself.
    int Stop() {
        if (process_.state() == QProcess::NotRunning) {
            return process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1;
        }
        process_.terminate();
        if (!process_.waitForFinished(5000)) {
            process_.kill();
            process_.waitForFinished(5000);
            return -1;
        }
        return process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1;
    }

private:
    QProcess process_;
    std::string path_;
};

bool IsTerminal(const std::string& path) {
    struct stat info {};
    return !path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISCHR(info.st_mode);
}

// ---- every command is one of those below ----

TEST(ReadmeRecipesTest, EveryCommandIsRunHereOrIsTheOneCiRuns) {
    const auto blocks = Blocks();
    for (const auto& [line, command] : Commands(blocks)) {
        EXPECT_TRUE(RecipeOf(command))
            << "README.md:" << line << " shows a command no test runs: " << command;
    }

    // Exactly the two set-up commands, and CI runs the second of them.
    std::vector<std::string> setUp;
    for (const ReadmeBlock& block : blocks) {
        if (block.section == "Set-up") {
            for (const std::string& command : block.Commands()) {
                // The command without its comment.
                setUp.push_back(command.substr(0, command.find_last_not_of(' ', command.find(" #")) + 1));
            }
        }
    }
    EXPECT_EQ(setUp, (std::vector<std::string>{"bash scripts/run.sh", "bash scripts/test.sh"}));
    EXPECT_NE(ReadFile(kSource / ".ci/run").find("\nbash scripts/test.sh\n"), std::string::npos);
}

TEST(ReadmeRecipesTest, BuildCommandsNameExistingPresetsAndLabels) {
    const QJsonObject presets =
        QJsonDocument::fromJson(QByteArray::fromStdString(ReadFile(kSource / "CMakePresets.json"))).object();
    const auto named = [&](const char* list, const std::string& name) {
        for (const QJsonValue preset : presets.value(list).toArray()) {
            if (preset.toObject().value("name").toString().toStdString() == name) {
                return true;
            }
        }
        return false;
    };
    const std::regex step(R"((cmake|ctest) (--build )?--preset (\w+)( -L (\w+))?)");
    int checked = 0;
    for (const auto& [line, command] : Commands(Blocks())) {
        if (RecipeOf(command) != Recipe::PresetBuild) {
            continue;
        }
        std::size_t from = 0;
        do {
            const std::size_t to = command.find(" && ", from);
            const std::string part = command.substr(from, to == std::string::npos ? to : to - from);
            from = to == std::string::npos ? to : to + 4;
            std::smatch match;
            ASSERT_TRUE(std::regex_match(part, match, step)) << "README.md:" << line << ": " << part;
            const char* list = match[1] == "ctest" ? "testPresets"
                               : match[2].matched  ? "buildPresets"
                                                   : "configurePresets";
            EXPECT_TRUE(named(list, match[3])) << "README.md:" << line << ": no " << list << " " << match[3];
            if (match[5].matched) {
                EXPECT_TRUE(fs::is_directory(kSource / "tests" / match[5].str()))
                    << "README.md:" << line << ": no test label " << match[5];
            }
            ++checked;
        } while (from != std::string::npos);
    }
    EXPECT_GT(checked, 0);

    // The test names the text sends to ctest -R exist.
    const std::string readme = ReadFile(kSource / "README.md");
    const std::regex byName(R"(ctest --preset \w+ -R (\w+))");
    for (auto it = std::sregex_iterator(readme.begin(), readme.end(), byName); it != std::sregex_iterator();
         ++it) {
        const std::string name = (*it)[1];
        bool found = false;
        for (const auto& entry : fs::recursive_directory_iterator(kSource / "tests")) {
            if (!found && entry.path().extension() == ".cpp") {
                found = ReadFile(entry.path()).find(name) != std::string::npos;
            }
        }
        EXPECT_TRUE(found) << "ctest -R " << name << " matches no test";
    }
}

// ---- registry snippets ----

TEST(ReadmeRecipesTest, RegistrySnippetsAreReadByTheProgramsStore) {
    std::map<std::string, int> firstOfHive; // hive file -> line of its first snippet
    int snippets = 0;
    for (const ReadmeBlock& block : Blocks()) {
        if (!block.IsRegistry()) {
            continue;
        }
        SCOPED_TRACE("README.md:" + std::to_string(block.line));
        ++snippets;
        const bool headed = block.lines.front() == kHeader;
        const std::string& first = block.lines[headed ? 1 : 0];
        const bool machine = first.starts_with("[HKEY_LOCAL_MACHINE\\");
        ASSERT_TRUE(machine || first.starts_with("[HKEY_CURRENT_USER\\")) << first;
        const std::string file = machine ? "HKLM.reg" : "HKCU.reg";
        // The snippet a reader makes the file from carries the file's first line.
        if (firstOfHive.emplace(file, block.line).second) {
            EXPECT_TRUE(headed) << "the first " << file << " snippet lacks the line " << kHeader;
        }

        TempDir dir;
        WriteFile(dir / file, headed ? block.Text() : std::string(kHeader) + "\n" + block.Text());
        RegistryStore store(dir.path());
        const Hive hive = machine ? Hive::LocalMachine : Hive::CurrentUser;
        std::string key;
        for (const std::string& line : block.lines) {
            if (line.starts_with('[')) {
                key = line.substr(line.find('\\') + 1, line.size() - line.find('\\') - 2);
                EXPECT_TRUE(store.KeyExists(hive, key)) << line;
            } else if (line.starts_with("@=")) {
                EXPECT_TRUE(store.ValueType(hive, key, "")) << key << ": " << line;
            } else if (line.starts_with('"')) {
                const std::string name = line.substr(1, line.find('"', 1) - 1);
                EXPECT_TRUE(store.ValueType(hive, key, name)) << key << ": " << line;
            }
        }
        for (const auto& entry : fs::directory_iterator(dir.path())) {
            EXPECT_EQ(entry.path().filename().string().find(".damaged"), std::string::npos)
                << "set aside as damaged: " << entry.path();
        }
    }
    EXPECT_GT(snippets, 0);
}

// ---- the simulator and the helper scripts ----

TEST(ReadmeRecipesTest, SimulatorRecipesStartPrintTheirPortAndEndOnTheStopSignal) {
    TempDir view;
    MakeProjectView(view.path());
    int simulators = 0;
    for (const auto& [line, command] : Commands(Blocks())) {
        SCOPED_TRACE("README.md:" + std::to_string(line) + ": " + command);
        const auto recipe = RecipeOf(command);
        if (recipe == Recipe::DidaditScript) {
            // Writes the station script the next command reads.
            QProcess script;
            script.setWorkingDirectory(QString::fromStdString(view.path().string()));
            script.start("bash", {"-c", QString::fromStdString(command)});
            ASSERT_TRUE(script.waitForFinished(30000));
            EXPECT_EQ(script.exitCode(), 0) << script.readAllStandardError().toStdString();
            const std::string written = command.substr(command.rfind(' ') + 1);
            EXPECT_NE(ReadFile(view / written).find("send "), std::string::npos) << written;
        } else if (recipe == Recipe::Simulator) {
            ++simulators;
            SimulatorRun simulator(command, view.path());
            // The path comes once every option was taken; one it refuses ends it before that.
            EXPECT_TRUE(IsTerminal(simulator.Path()))
                << "printed: " << simulator.Path() << simulator.Errors();
            EXPECT_TRUE(simulator.Running()) << simulator.Errors();
            EXPECT_EQ(simulator.Stop(), 0) << simulator.Errors();
        }
    }
    EXPECT_GT(simulators, 0);
}

// ---- the program from run.sh, the simulator, and the automation example ----

// Starts the program as run.sh does, waits for its bus name and runs every client command (each within
// 45 s); a command that finds no device ready yet is typed again a little later, as a person would. Prints
// "### COMMAND", its output and "### exit CODE" for each, and last "### program exit CODE".
constexpr const char* kSessionScript = R"(
bash -c "exec $1" >"$PROGRAM_LOG" 2>&1 &
program=$!
shift
if ! gdbus wait --session --timeout 60 org.quarn.Quarn; then
  echo "### no bus name"; kill -TERM $program; wait $program; exit 1
fi
for command in "$@"; do
  for try in $(seq 60); do
    output=$(timeout 45 bash -c "$command" 2>&1); code=$?
    [[ $output == *"No device"* ]] || break
    sleep 0.5
  done
  printf '### %s\n%s\n### exit %d\n' "$command" "$output" $code
done
kill -TERM $program
wait $program
echo "### program exit $?"
)";

// Waits for the simulator's station (argv[1]) to connect in, names the own call it reached and has a
// line echoed on that link; one bus connection for all of it, as the README says.
constexpr const char* kIncomingLinkScript = R"py(import sys, time
import gi
gi.require_version("Gio", "2.0")
from gi.repository import Gio, GLib

bus = Gio.bus_get_sync(Gio.BusType.SESSION)


def call(path, interface, method, args=None, reply=None):
    result = bus.call_sync("org.quarn.Quarn", path, "org.quarn.Quarn." + interface, method, args,
                           GLib.VariantType(reply) if reply else None, Gio.DBusCallFlags.NONE, 30000, None)
    return result.unpack() if result else None


def link(wanted):
    for _ in range(120):
        conn, = call(app, "Application", "FindConnection", GLib.Variant("(s)", (sys.argv[1],)), "(o)")
        if (conn != "/") == wanted:
            return conn
        time.sleep(0.5)
    sys.exit(("no link from " if wanted else "the link stays: ") + sys.argv[1])


app, = call("/org/quarn/Quarn", "Factory", "CreateApplication", reply="(o)")
link(False)  # the example's own link has ended
conn = link(True)
properties = bus.call_sync("org.quarn.Quarn", conn, "org.freedesktop.DBus.Properties", "Get",
                           GLib.Variant("(ss)", ("org.quarn.Quarn.Connection", "MyCall")),
                           GLib.VariantType("(v)"), Gio.DBusCallFlags.NONE, 30000, None)
print("link to", properties.unpack()[0])
call(conn, "Connection", "SendTextLine", GLib.Variant("(s)", ("Wieder da?",)))
call(conn, "Connection", "WaitForText", GLib.Variant("(s)", ("Wieder da?",)))
print("echoed")
)py";

TEST(ReadmeRecipesTest, TheProgramFromRunShServesTheAutomationExampleAndTheIncomingLinkOfTheSimulator) {
    // run.sh builds and starts the normal build; a sanitizer build has nothing to add here.
    if (fs::weakly_canonical(kBinary) != fs::weakly_canonical(kSource / "build/default")) {
        GTEST_SKIP() << "runs in the build of the default preset only";
    }
    const auto blocks = Blocks();
    // The simulator of the block that starts the program with it; the registry snippets of that section.
    std::string simulatorCommand;
    std::string runCommand;
    std::string section;
    for (const ReadmeBlock& block : blocks) {
        const auto commands = block.IsRegistry() ? std::vector<std::string>{} : block.Commands();
        if (commands.size() == 2 && RecipeOf(commands[0]) == Recipe::Simulator &&
            RecipeOf(commands[1]) == Recipe::RunScript) {
            simulatorCommand = commands[0];
            runCommand = commands[1];
            section = block.section;
        }
    }
    ASSERT_FALSE(simulatorCommand.empty()) << "no block starts the simulator and then run.sh";
    QStringList clientCommands;
    for (const auto& [line, command] : Commands(blocks)) {
        if (RecipeOf(command) == Recipe::BusLook || RecipeOf(command) == Recipe::AutomationExample) {
            clientCommands << QString::fromStdString(command);
        }
    }
    ASSERT_FALSE(clientCommands.isEmpty());
    std::smatch connectIn;
    ASSERT_TRUE(std::regex_search(simulatorCommand, connectIn, std::regex(R"(--connect-in (\w+)@)")));
    const std::string ownCall = [&] {
        std::smatch found;
        for (const ReadmeBlock& block : blocks) {
            const std::string text = block.Text();
            if (std::regex_search(text, found, std::regex(R"(\\Eigene Rufzeichen\\(\w+)\])"))) {
                return found[1].str();
            }
        }
        return std::string();
    }();
    ASSERT_FALSE(ownCall.empty()) << "no own call in the README";

    TempDir dir;
    fs::create_directory(dir / "view");
    MakeProjectView(dir / "view");
    SimulatorRun simulator(simulatorCommand, dir / "view");
    ASSERT_TRUE(IsTerminal(simulator.Path())) << simulator.Errors();

    // The hive files as the README has them written: its snippets in order, the port path put in.
    const QProcessEnvironment environment = PrivateEnvironment(dir / "home");
    const fs::path folder = environment.value("XDG_CONFIG_HOME").toStdString() + "/Velmoor/Quarn";
    fs::create_directories(folder);
    std::map<std::string, std::string> hives;
    for (const ReadmeBlock& block : blocks) {
        if (block.IsRegistry() && block.section == section) {
            const bool machine = block.Text().find("[HKEY_LOCAL_MACHINE\\") != std::string::npos;
            hives[machine ? "HKLM.reg" : "HKCU.reg"] += block.Text();
        }
    }
    ASSERT_EQ(hives.size(), 2u) << "the section's snippets give HKLM.reg and HKCU.reg";
    std::string& machine = hives["HKLM.reg"];
    const std::size_t example = machine.find("/dev/pts/7");
    ASSERT_NE(example, std::string::npos);
    machine.replace(example, 10, simulator.Path());
    for (const auto& [file, text] : hives) {
        WriteFile(folder / file, text);
    }

    // After the README's commands, the station of --connect-in comes in at its time.
    WriteFile(dir / "incoming.py", kIncomingLinkScript);
    const QString incomingCommand = QString::fromStdString(
        "/usr/bin/python3 " + (dir / "incoming.py").string() + " " + connectIn[1].str());
    clientCommands << incomingCommand;

    QProcess session;
    QProcessEnvironment sessionEnvironment = environment;
    sessionEnvironment.insert("PROGRAM_LOG", QString::fromStdString((dir / "program.log").string()));
    session.setProcessEnvironment(sessionEnvironment);
    session.setWorkingDirectory(QString::fromStdString(kSource.string()));
    session.setProcessChannelMode(QProcess::MergedChannels);
    session.start("dbus-run-session", QStringList{"--", "bash", "-c", kSessionScript, "session",
                                                  QString::fromStdString(runCommand)} +
                                          clientCommands);
    ASSERT_TRUE(session.waitForFinished(110000)) << "the session did not end";
    const std::string output = session.readAll().toStdString();
    const std::string log = "\nprogram:\n" + ReadFile(dir / "program.log");
    for (const QString& command : clientCommands) {
        const std::string start = "### " + command.toStdString() + "\n";
        const std::size_t at = output.find(start);
        ASSERT_NE(at, std::string::npos) << output << log;
        const std::size_t code = output.find("### exit ", at + start.size());
        ASSERT_NE(code, std::string::npos) << output;
        EXPECT_EQ(output.substr(code, 11), "### exit 0\n") << output << log;
    }
    EXPECT_NE(output.find("link to " + ownCall + "\necho"), std::string::npos) << output << log;
    EXPECT_NE(output.find("### program exit 0\n"), std::string::npos) << output << log;
    EXPECT_TRUE(simulator.Running()) << simulator.Errors();
}

} // namespace
} // namespace quarn::test
