#pragma once

// A connection whose peer sends "//" lines: the real connection on a recording device, the remote
// folder in a temporary folder, the permissions in a private registry and a station database of its
// own. What the interpreter replies is read back from the connection's typed-text queue.
#include "VerbindungTestFixture.h"
#include "connections/remote/RemoteCommandManagerU.h"
#include "foundation/OrdnerU.h"
#include "platform/Codepage.h"
#include "stations/StationenDatenbankU.h"
#include "stations/TexteU.h"
#include "support/TestDatenbank.h"

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

namespace quarn::test {

class RemoteFixture : public VerbindungFixture {
protected:
    void SetUp() override {
        VerbindungFixture::SetUp();
        database = TestDatenbank(dir.path());
        manager = std::make_unique<TRemoteCommandManager>(store);
        texte = std::make_unique<TTexte>(store);
        root = dir / "Quarn";
        std::filesystem::create_directories(root);
        TOrdner().SetRemote(root);
        peer = Make();
        peer->Set_Call("DL1XYZ-2");
        peer->Set_MyCall("DB0ME");
        connections.Add(peer);
    }
    void TearDown() override {
        connections.Remove(peer);
        peer.reset();
        VerbindungFixture::TearDown();
        texte.reset();
        manager.reset();
        database.reset();
    }

    // The bytes the line makes this station send back.
    std::string Run(std::string_view line) { return Run(*peer, line); }
    static std::string Run(TVerbindung& connection, std::string_view line) {
        connection.GetRemoteCommands()->Execute(line);
        return Sent(connection);
    }
    static std::string Sent(TVerbindung& connection) {
        std::string sent;
        while (!connection.GetTypedTextQueue().IsEmpty()) {
            sent += connection.GetTypedTextQueue().PopString();
        }
        return sent;
    }
    // A system line as it goes on the air: prefix, the text in Windows-1252, CR.
    static std::string Line(std::string_view utf8) { return "<Quarn>: " + Utf8ToCp1252(utf8) + "\r"; }

    void AllowAll() {
        for (const auto& command : manager->Commands()) {
            manager->SetAllowedGlobal(command.name, true);
        }
    }

    std::unique_ptr<TStationenDatenbank> database;
    std::unique_ptr<TRemoteCommandManager> manager;
    std::unique_ptr<TTexte> texte;
    std::filesystem::path root;
    std::shared_ptr<TVerbindung> peer;
};

} // namespace quarn::test
