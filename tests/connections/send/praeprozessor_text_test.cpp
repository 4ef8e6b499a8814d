// Text jobs of the send preprocessor: typed text as it stands, clear-signed text that gpg verifies, and a
// signing failure that sends nothing and says so.
#include "PraeprozessorFixture.h"

#include "foundation/MemoryStreamU.h"
#include "stations/PGPU.h"
#include "stations/pgp_test_fixture.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace quarn::test {
namespace {

class TextJobTest : public PraeprozessorFixture {
protected:
    std::unique_ptr<TDateiSendenPraeprozessor> Make(std::string text) {
        auto praeprozessor = std::make_unique<TDateiSendenPraeprozessor>(
            std::make_unique<TMemoryStream>(std::move(text)), "???", verbindung, 1);
        praeprozessor->SetTextVorher("Text von %o\r");
        praeprozessor->SetTextNachher("***end\r\n");
        return praeprozessor;
    }
};

TEST_F(TextJobTest, TypedTextIsQueuedAsItStands) {
    const auto praeprozessor = Make("Hallo\rWelt\r");
    // A part size means nothing to text.
    praeprozessor->SetTeilGroesse(1);
    praeprozessor->Execute();

    const auto items = Items();
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0]->GetProtokoll(), 1);
    EXPECT_EQ(items[0]->GetDateiname(), "???");
    EXPECT_EQ(items[0]->GetTextVorher(), "Text von ???\r");
    EXPECT_EQ(items[0]->GetTextNachher(), "***end\r");
    EXPECT_EQ(StreamBytes(*items[0]->GetStream()), "Hallo\rWelt\r");
}

class SignedTextJobTest : public TextJobTest {
protected:
    void SetUp() override { InitPGPDLL({"", gnupg.path().string()}); }

    GnupgHome gnupg;
};

TEST_F(SignedTextJobTest, ClearSignedTextVerifiesWithGpg) {
    const std::string key = gnupg.GenerateKey("Bob <bob@example.org>", "geheim");
    const auto praeprozessor = Make("Erste Zeile\rZweite Zeile\r- mit Strich\r");
    praeprozessor->SetSignieren(key, "geheim", "73 de DL1ABC");
    praeprozessor->Execute();

    const auto items = Items();
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0]->GetProtokoll(), 1);
    std::string signedText = StreamBytes(*items[0]->GetStream());
    EXPECT_TRUE(signedText.starts_with("-----BEGIN PGP SIGNED MESSAGE-----\r")) << signedText;
    EXPECT_NE(signedText.find("\rComment: 73 de DL1ABC\r"), std::string::npos) << signedText;
    EXPECT_TRUE(verbindung->Prompts().empty());

    // The receiving station turns the CR line ends of the air into its own.
    std::replace(signedText.begin(), signedText.end(), '\r', '\n');
    WriteFile(dir / "signiert.asc", signedText);
    EXPECT_NO_THROW(gnupg.Gpg("--verify " + GnupgHome::Quote((dir / "signiert.asc").string())));

    std::string changed = signedText;
    changed.replace(changed.find("Zweite"), 6, "Dritte");
    WriteFile(dir / "veraendert.asc", changed);
    EXPECT_THROW(gnupg.Gpg("--verify " + GnupgHome::Quote((dir / "veraendert.asc").string())),
                 std::runtime_error);
}

TEST_F(SignedTextJobTest, SigningFailureQueuesNothingAndTellsTheChannel) {
    const std::string key = gnupg.GenerateKey("Bob <bob@example.org>", "geheim");
    const std::vector<std::string> keys = {key, "0000000000000000000000000000000000000000"};
    for (const std::string& signingKey : keys) {
        SCOPED_TRACE(signingKey);
        const auto praeprozessor = Make("Geheime Zeile\r");
        praeprozessor->SetSignieren(signingKey, "falsch", {});
        praeprozessor->Execute();

        EXPECT_EQ(verbindung->queue->GetCount(), 0);
        const auto prompts = verbindung->Prompts();
        ASSERT_FALSE(prompts.empty());
        EXPECT_EQ(prompts.back(),
                  std::make_pair(std::string("PGP-Signatur fehlgeschlagen, der Text wurde nicht "
                                             "gesendet."),
                                 3));
    }
}

} // namespace
} // namespace quarn::test
