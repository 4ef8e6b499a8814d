// Receiving DIDADIT: the recorded mailbox sessions, a lossy link, resume, and a scripted peer's faults.
#include "DidaditReceiveFixture.h"

#include <set>

namespace quarn::test {
namespace {

namespace fs = std::filesystem;

const std::string kDigest = "23B04F232D6CBB9BB9640804DAF7F5C2";

std::string Kopie(const std::string& name) {
    return ReadFile(fs::path(QUARN_TESTDATA_DIR) / "didadit" / name);
}

// The whole frames among pieces (text such as "#OK#" left out), joined.
std::string Frames(const std::vector<std::string>& pieces) {
    std::string bytes;
    for (const std::string& piece : pieces) {
        if (!piece.empty() && piece.front() == kDidaditFend) {
            bytes += piece;
        }
    }
    return bytes;
}

std::string OhneErstenFrame(const std::string& frames) {
    return frames.substr(frames.find(kDidaditFend, 1) + 1);
}

std::string ErrText(const TDidaditBlock& block) {
    return block.typ == static_cast<std::uint16_t>(TDidaditTyp::Err) ? block.data : "kein ERR";
}

class DidaditEmpfang : public DidaditReceiveFixture {
protected:
    // The mailbox's side from its "#DIDADIT#" line on, as the link delivered it.
    void Abspielen(const DidaditMitschnitt& mitschnitt) {
        std::size_t i = 0;
        while (mitschnitt.vonBox[i].find("#DIDADIT#") == std::string::npos) {
            ++i;
        }
        Beginne();
        Sende({mitschnitt.vonBox.begin() + static_cast<std::ptrdiff_t>(i) + 1, mitschnitt.vonBox.end()});
        Ende();
    }
    // A fresh file over a link that loses the DATA frames of the blocks in `verloren`; the answers to FIN.
    std::vector<TDidaditBlock> Verlustreich(const DidaditPeer& peer, std::int64_t block,
                                            const std::set<std::int64_t>& verloren, unsigned seed) {
        std::string strom;
        for (std::int64_t offset = 0; offset < static_cast<std::int64_t>(peer.datei.size());
             offset += block) {
            if (!verloren.contains(offset / block)) {
                strom += peer.Data(offset, std::min<std::int64_t>(
                                               block, static_cast<std::int64_t>(peer.datei.size()) - offset));
            }
        }
        SendeZerstueckelt(strom + peer.Fin(), seed);
        return Antworten();
    }
};

TEST_F(DidaditEmpfang, RecordedFullDownloadGetsTheRecordedAnswersAndStoresTheFile) {
    const DidaditMitschnitt mitschnitt = LiesDidaditTrace("didadit_dl_full.trace");
    Abspielen(mitschnitt);
    EXPECT_EQ(connection->sent, std::vector<std::string>{"#OK#\r"});
    // START and FINACK, byte for byte as the recording client sent them.
    EXPECT_EQ(Ausgang(), Frames(mitschnitt.vonUns));
    EXPECT_EQ(ReadFile(empfang / "test.bin"), Kopie("didadit_dl_full.bin"));
    EXPECT_TRUE(Unfertig().empty());
    EXPECT_EQ(connection->job, nullptr);
}

TEST_F(DidaditEmpfang, RecordedResumeAsksForTheNextOffsetAndCompletesTheHeldPart) {
    const std::string datei = Kopie("didadit_dl_full.bin");
    fs::create_directories(IncompleteFilesFolder());
    WriteFile(Resume(kDigest, ".qvf"), datei.substr(0, 3000));
    WriteFile(Resume(kDigest, ".qvi"), "[Blocks]\n0000=0,2999\n");
    const DidaditMitschnitt mitschnitt = LiesDidaditTrace("didadit_dl_resume.trace");
    Abspielen(mitschnitt);
    const std::string ausgang = Ausgang();
    EXPECT_EQ(ausgang, Frames(mitschnitt.vonUns));
    EXPECT_NE(ausgang.find("OFFSET=3000\r"), std::string::npos);
    EXPECT_EQ(ReadFile(empfang / "test.bin"), datei);
    EXPECT_TRUE(Unfertig().empty());
}

TEST_F(DidaditEmpfang, RecordedGapsAreRequestedAsTheRecordingClientDid) {
    const DidaditMitschnitt mitschnitt = LiesDidaditTrace("didadit_dl_req.trace");
    std::string strom;
    for (const std::string& piece : mitschnitt.vonBox) {
        strom += piece;
    }
    strom = strom.substr(strom.find("#DIDADIT#\r") + 10);
    // The first DATA frames at 1000, 2000 and 4000 are lost on the way in; their resends pass.
    std::set<std::int32_t> verlieren{1000, 2000, 4000};
    std::vector<std::string> pieces;
    TDidaditFrameSplitter splitter;
    splitter.Add(strom);
    while (auto frame = splitter.Next()) {
        const auto block = DidaditDecodeFrame(*frame);
        ASSERT_TRUE(block);
        if (block->typ == static_cast<std::uint16_t>(TDidaditTyp::Data) &&
            verlieren.erase(ParseDidaditData(block->data)->offset) == 1) {
            continue;
        }
        pieces.push_back(kDidaditFend + *frame + kDidaditFend);
    }
    ASSERT_TRUE(verlieren.empty());
    Beginne();
    Sende(pieces);
    Ende();
    // Our START differs (the recording client asked for a smaller block size); REQ and FINACK match.
    const std::string ausgang = Ausgang();
    EXPECT_EQ(OhneErstenFrame(ausgang), OhneErstenFrame(Frames(mitschnitt.vonUns)));
    const auto req = ParseDidaditReq(DidaditBloecke(ausgang)[1].data);
    EXPECT_EQ(*req, (std::vector<TDidaditRequest>{{1000, 2000}, {4000, 1000}}));
    EXPECT_EQ(ReadFile(empfang / "test.bin"), Kopie("didadit_dl_full.bin"));
}

TEST_F(DidaditEmpfang, LossyLinkRequestsExactlyTheLostRangesAndTheFileEndsIdentical) {
    struct Fall {
        std::set<std::int64_t> verloren;
        std::vector<TDidaditRequest> requests;
    };
    // 9500 bytes in blocks of 1000: the last block is short.
    const Fall faelle[] = {
        {{0}, {{0, 1000}}},
        {{1, 2, 5}, {{1000, 2000}, {5000, 1000}}},
        {{9}, {{9000, 500}}},
        {{0, 3, 8, 9}, {{0, 1000}, {3000, 1000}, {8000, 1500}}},
    };
    unsigned seed = 1;
    for (const Fall& fall : faelle) {
        const DidaditPeer peer{ZufallsDatei(9500, seed)};
        Beginne(peer.Info("verlust.bin"));
        ASSERT_EQ(Antworten().size(), 1U);
        const auto antworten = Verlustreich(peer, 1000, fall.verloren, ++seed);
        ASSERT_EQ(antworten.size(), 1U);
        ASSERT_EQ(antworten[0].typ, static_cast<std::uint16_t>(TDidaditTyp::Req));
        EXPECT_EQ(*ParseDidaditReq(antworten[0].data), fall.requests);

        std::string nachgereicht;
        for (const TDidaditRequest& request : fall.requests) {
            nachgereicht += peer.Data(request.offset, request.length);
        }
        SendeZerstueckelt(nachgereicht + peer.Fin(), ++seed);
        const auto schluss = Antworten();
        ASSERT_EQ(schluss.size(), 1U);
        EXPECT_EQ(schluss[0].typ, static_cast<std::uint16_t>(TDidaditTyp::FinAck));
        Ende();
        EXPECT_EQ(ReadFile(empfang / "verlust.bin"), peer.datei);
        fs::remove(empfang / "verlust.bin");
        EXPECT_TRUE(Unfertig().empty());
    }
}

TEST_F(DidaditEmpfang, ManyGapsAreRequestedWithinTheCapacityOfOneBlock) {
    // Block size 256 holds 31 requests; 40 gaps need a second round.
    const DidaditPeer peer{ZufallsDatei(80 * 256, 7)};
    Beginne(peer.Frame(TDidaditTyp::Info, "FILENAME=viele.bin\rSIZE=20480\rMD5=" +
                                              MD5DigestToHex(peer.digest) + "\rBLOCKSIZE=256\r"));
    Antworten();
    std::set<std::int64_t> verloren;
    for (std::int64_t i = 0; i < 80; i += 2) {
        verloren.insert(i);
    }
    auto antworten = Verlustreich(peer, 256, verloren, 3);
    ASSERT_EQ(antworten.size(), 1U);
    auto req = *ParseDidaditReq(antworten[0].data);
    ASSERT_EQ(req.size(), 31U);
    for (const TDidaditRequest& r : req) {
        Sende({peer.Data(r.offset, r.length)});
    }
    Sende({peer.Fin()});
    req = *ParseDidaditReq(Antworten()[0].data);
    ASSERT_EQ(req.size(), 9U);
    for (const TDidaditRequest& r : req) {
        Sende({peer.Data(r.offset, r.length)});
    }
    Sende({peer.Fin()});
    EXPECT_EQ(Antworten()[0].typ, static_cast<std::uint16_t>(TDidaditTyp::FinAck));
    Ende();
    EXPECT_EQ(ReadFile(empfang / "viele.bin"), peer.datei);
}

TEST_F(DidaditEmpfang, BrokenSessionResumesAtTheHighestOffsetAndAsksForTheLowerGapsAfterFin) {
    const DidaditPeer peer{ZufallsDatei(8000, 11)};
    const std::string digest = MD5DigestToHex(peer.digest);
    Beginne(peer.Info("wieder.bin"));
    Antworten();
    // Four blocks of 1000 came, the second of them lost; then the link goes down.
    Sende({peer.Data(0, 1000), peer.Data(2000, 1000), peer.Data(3000, 1000)});
    Abbruch();
    ASSERT_TRUE(fs::exists(Resume(digest, ".qvf")));
    EXPECT_EQ(ReadFile(Resume(digest, ".qvi")), "[Blocks]\r\n0000=0,999\r\n0001=2000,3999\r\n");
    EXPECT_FALSE(fs::exists(empfang / "wieder.bin"));

    Beginne(peer.Info("wieder.bin"));
    const auto start = Antworten();
    ASSERT_EQ(start.size(), 1U);
    EXPECT_EQ(ParseDidaditStart(start[0].data).offset, 4000);
    SendeZerstueckelt(peer.Data(4000, 2000) + peer.Data(6000, 2000) + peer.Fin(), 5);
    const auto req = Antworten();
    ASSERT_EQ(req.size(), 1U);
    EXPECT_EQ(*ParseDidaditReq(req[0].data), (std::vector<TDidaditRequest>{{1000, 1000}}));
    Sende({peer.Data(1000, 1000), peer.Fin()});
    EXPECT_EQ(Antworten()[0].typ, static_cast<std::uint16_t>(TDidaditTyp::FinAck));
    Ende();
    EXPECT_EQ(ReadFile(empfang / "wieder.bin"), peer.datei);
    EXPECT_TRUE(Unfertig().empty());
}

TEST_F(DidaditEmpfang, FreshIncompleteFileNeverTrustsAnOldIndex) {
    const DidaditPeer peer{ZufallsDatei(3000, 13)};
    const std::string digest = MD5DigestToHex(peer.digest);
    fs::create_directories(IncompleteFilesFolder());
    WriteFile(Resume(digest, ".qvi"), "[Blocks]\n0000=0,2999\n");
    Beginne(peer.Info("alt.bin"));
    EXPECT_EQ(ParseDidaditStart(Antworten()[0].data).offset, 0);
    // Gone at once: a crash now must not leave it beside the new file.
    EXPECT_FALSE(fs::exists(Resume(digest, ".qvi")));
    Sende({peer.Fin()});
    EXPECT_EQ(*ParseDidaditReq(Antworten()[0].data), (std::vector<TDidaditRequest>{{0, 3000}}));
    receiver->Stop();
    Ende();
}

TEST_F(DidaditEmpfang, AFileBeingReceivedIsNotOpenedByASecondReception) {
    const DidaditPeer peer{ZufallsDatei(2000, 17)};
    Beginne(peer.Info("a.bin"));
    Sende({peer.Data(0, 1000)});
    auto erster = receiver;
    receiver.reset();
    Ausgang();

    Beginne(peer.Info("a.bin"));
    const auto antworten = Antworten();
    ASSERT_EQ(antworten.size(), 1U);
    EXPECT_EQ(ErrText(antworten[0]), "300 Could not create file");
    Ende();

    // The first reception's files are untouched and it completes.
    receiver = erster;
    Sende({peer.Data(1000, 1000), peer.Fin()});
    EXPECT_EQ(Antworten().back().typ, static_cast<std::uint16_t>(TDidaditTyp::FinAck));
    Ende();
    EXPECT_EQ(ReadFile(empfang / "a.bin"), peer.datei);
}

TEST_F(DidaditEmpfang, InvalidDataIsRefusedFatallyWithoutWriting) {
    const DidaditPeer peer{ZufallsDatei(3000, 19)};
    const std::string digest = MD5DigestToHex(peer.digest);
    const std::string head = BuildDidaditData(0, "").substr(0, 6);
    struct Fall {
        const char* name;
        std::string data;
    };
    auto kopf = [](std::int32_t offset, std::uint16_t length) {
        std::string bytes = BuildDidaditData(offset, "");
        bytes[4] = static_cast<char>(length & 0xFF);
        bytes[5] = static_cast<char>(length >> 8);
        return bytes;
    };
    const Fall faelle[] = {
        {"negative offset", BuildDidaditData(-1, "ab")},
        {"past the size", BuildDidaditData(2999, "ab")},
        {"far past the size", BuildDidaditData(0x7FFFFF00, "ab")},
        {"longer than present", kopf(1000, 10) + "abc"},
        {"short head", head.substr(0, 5)},
    };
    for (const Fall& fall : faelle) {
        Beginne(peer.Info("x.bin"));
        Antworten();
        Sende({peer.Data(0, 1000), peer.Frame(TDidaditTyp::Data, fall.data), peer.Data(1000, 1000)});
        const auto antworten = Antworten();
        ASSERT_EQ(antworten.size(), 1U) << fall.name;
        EXPECT_EQ(ErrText(antworten[0]), "104 Invalid offset/blocksize") << fall.name;
        Ende();
        // Neither the bad block nor any after it was written.
        EXPECT_EQ(fs::file_size(Resume(digest, ".qvf")), 1000U) << fall.name;
        EXPECT_EQ(ReadFile(Resume(digest, ".qvi")), "[Blocks]\r\n0000=0,999\r\n") << fall.name;
        EXPECT_TRUE(Prompted("3 Didadit-Empfang abgebrochen.")) << fall.name;
    }
}

TEST_F(DidaditEmpfang, DataOrFinBeforeInfoIsAnUnexpectedBlock) {
    const DidaditPeer peer{ZufallsDatei(100, 23)};
    for (const auto& [block, text] : {std::pair{peer.Data(0, 100), "100 Unexpected block type (DATA)"},
                                      std::pair{peer.Fin(), "100 Unexpected block type (FIN)"}}) {
        Beginne(block);
        const auto antworten = Antworten();
        ASSERT_EQ(antworten.size(), 1U);
        EXPECT_EQ(ErrText(antworten[0]), text);
        Ende();
        EXPECT_TRUE(Unfertig().empty());
    }
}

TEST_F(DidaditEmpfang, FinackFromThePeerDoesNotPassAnIncompleteFile) {
    const DidaditPeer peer{ZufallsDatei(3000, 41)};
    Beginne(peer.Info("halb.bin"));
    Antworten();
    Sende({peer.Data(0, 1000), peer.Frame(TDidaditTyp::FinAck, {})});
    const auto antworten = Antworten();
    ASSERT_EQ(antworten.size(), 1U);
    EXPECT_EQ(ErrText(antworten[0]), "100 Unexpected block type (FINACK)");
    Ende();
    EXPECT_TRUE(Dateien(empfang.path()).empty());
    EXPECT_TRUE(fs::exists(Resume(MD5DigestToHex(peer.digest), ".qvi")));
}

TEST_F(DidaditEmpfang, EmptyFileIsAcknowledgedAtTheFirstFin) {
    const DidaditPeer peer{""};
    Beginne(peer.Info("leer.bin") + peer.Fin());
    const auto antworten = Antworten();
    ASSERT_EQ(antworten.size(), 2U);
    EXPECT_EQ(antworten[1].typ, static_cast<std::uint16_t>(TDidaditTyp::FinAck));
    Ende();
    ASSERT_TRUE(fs::exists(empfang / "leer.bin"));
    EXPECT_EQ(fs::file_size(empfang / "leer.bin"), 0U);
    EXPECT_TRUE(Unfertig().empty());
}

TEST_F(DidaditEmpfang, AnnouncedNameLeadsNowhereButIntoTheReceiveFolder) {
    const DidaditPeer peer{"abc"};
    for (const auto& [name, ziel] :
         {std::pair{"../../x/../boese.bin", "boese.bin"}, std::pair{"C:\\dos\\pfad.bin", "pfad.bin"},
          std::pair{"", "DB0ABC-8.dat"}}) {
        Beginne(peer.Info(name) + peer.Data(0, 3) + peer.Fin());
        Ende();
        EXPECT_EQ(ReadFile(empfang / ziel), "abc") << name;
    }
    EXPECT_EQ(Dateien(empfang.path()).size(), 3U);
}

TEST_F(DidaditEmpfang, SizeMissingIsRefusedWithoutAFile) {
    const DidaditPeer peer{"abc"};
    const std::string md5 = "MD5=" + MD5DigestToHex(peer.digest) + "\r";
    for (const std::string& info : {"FILENAME=a.bin\r" + md5, "FILENAME=a.bin\rSIZE=zwei\r" + md5}) {
        Beginne(peer.Frame(TDidaditTyp::Info, info));
        const auto antworten = Antworten();
        ASSERT_EQ(antworten.size(), 1U) << info;
        EXPECT_EQ(ErrText(antworten[0]), "300 Could not create file") << info;
        Ende();
        EXPECT_TRUE(Unfertig().empty()) << info;
    }
    EXPECT_TRUE(Dateien(empfang.path()).empty());
}

TEST_F(DidaditEmpfang, SizeBeyondWhatCanBeHeldIsRefusedNamingTheSize) {
    const DidaditPeer peer{"abc"};
    const std::string md5 = "MD5=" + MD5DigestToHex(peer.digest) + "\r";
    for (const std::string size : {"2147483648", "99999999999999999999999"}) {
        connection->prompts.clear();
        Beginne(peer.Frame(TDidaditTyp::Info, "FILENAME=a.bin\rSIZE=" + size + "\r" + md5));
        const auto antworten = Antworten();
        ASSERT_EQ(antworten.size(), 1U) << size;
        EXPECT_EQ(ErrText(antworten[0]), "203 Empty file or missing size info in INFO block") << size;
        Ende();
        EXPECT_TRUE(Prompted("3 Didadit-Empfang abgelehnt: " + size +
                             " Bytes sind zu gro\xdf (h\xf6"
                             "chstens 2147483647 Bytes)."))
            << size;
        EXPECT_TRUE(Unfertig().empty()) << size;
    }
    EXPECT_TRUE(Dateien(empfang.path()).empty());
}

TEST_F(DidaditEmpfang, CompleteFileWhoseLinkDroppedIsAcknowledgedAtOnceOnTheNextOffer) {
    const DidaditPeer peer{ZufallsDatei(3000, 43)};
    const std::string digest = MD5DigestToHex(peer.digest);
    Beginne(peer.Info("voll.bin"));
    Antworten();
    Sende({peer.Data(0, 1750), peer.Data(1750, 1250)});
    Abbruch();
    EXPECT_EQ(ReadFile(Resume(digest, ".qvi")), "[Blocks]\r\n0000=0,2999\r\n");

    Beginne(peer.Info("voll.bin"));
    const auto start = Antworten();
    ASSERT_EQ(start.size(), 1U);
    EXPECT_EQ(ParseDidaditStart(start[0].data).offset, 3000);
    Sende({peer.Fin()});
    const auto ende = Antworten();
    ASSERT_EQ(ende.size(), 1U);
    ASSERT_EQ(ende[0].typ, static_cast<std::uint16_t>(TDidaditTyp::FinAck));
    Ende();
    EXPECT_EQ(ReadFile(empfang / "voll.bin"), peer.datei);
    EXPECT_TRUE(Unfertig().empty());
}

TEST_F(DidaditEmpfang, DownloadAbortedBeforeAnyDataLeavesNoEmptyIncompleteFile) {
    const DidaditPeer peer{ZufallsDatei(3000, 47)};
    Beginne(peer.Info("nein.bin"));
    ASSERT_EQ(Antworten().size(), 1U);
    Sende({peer.Frame(TDidaditTyp::Abort, {})});
    Ende();
    EXPECT_TRUE(Unfertig().empty());
}

TEST_F(DidaditEmpfang, StoreThatFailsIsAnErrorToThePeerAndTheNextOfferTriesAgain) {
    connection->typ = TStationType::st_terminal;
    WriteFile(empfang / "datei", "");
    TOrdner().SetEmpfang(empfang / "datei" / "Empfang");
    const DidaditPeer peer{ZufallsDatei(2000, 53)};
    const std::string digest = MD5DigestToHex(peer.digest);
    Beginne(peer.Info("s.bin"));
    Antworten();
    Sende({peer.Data(0, 2000), peer.Fin()});
    const auto antworten = Antworten();
    ASSERT_EQ(antworten.size(), 1U);
    ASSERT_EQ(ErrText(antworten[0]), "300 Could not create file");
    Ende();
    EXPECT_EQ(connection->sent.back(), "\r<Quarn>: Didadit-Empfang abgebrochen.\r");
    const std::string liegt = "Die Daten liegen weiterhin in:\r" + Resume(digest, ".qvf").string();
    EXPECT_TRUE(std::any_of(connection->prompts.begin(), connection->prompts.end(),
                            [&](const std::string& p) { return p.ends_with(liegt); }));
    EXPECT_EQ(ReadFile(Resume(digest, ".qvf")), peer.datei);

    TOrdner().SetEmpfang(empfang.path());
    Beginne(peer.Info("s.bin"));
    EXPECT_EQ(ParseDidaditStart(Antworten()[0].data).offset, 2000);
    Sende({peer.Fin()});
    ASSERT_EQ(Antworten()[0].typ, static_cast<std::uint16_t>(TDidaditTyp::FinAck));
    Ende();
    EXPECT_EQ(connection->sent.back(), "<Quarn>: Didadit-Empfang ok.\r");
    EXPECT_EQ(ReadFile(empfang / "s.bin"), peer.datei);
    EXPECT_TRUE(Unfertig().empty());
}

TEST_F(DidaditEmpfang, DigestMismatchIsReportedAndLeavesNothingBehind) {
    DidaditPeer peer{ZufallsDatei(3000, 29)};
    peer.digest = DigestVon("etwas anderes");
    const std::string digest = MD5DigestToHex(peer.digest);
    Beginne(peer.Info("falsch.bin"));
    Antworten();
    Sende({peer.Data(0, 1750)});
    Abbruch();
    ASSERT_TRUE(fs::exists(Resume(digest, ".qvi")));

    Beginne(peer.Info("falsch.bin"));
    Sende({peer.Data(1750, 1250), peer.Fin()});
    const auto antworten = Antworten();
    ASSERT_EQ(antworten.size(), 2U);
    EXPECT_EQ(ErrText(antworten[1]), "102 MD5 validation error");
    Ende();
    EXPECT_TRUE(Prompted("3 Didadit-Empfang MD5-Fehler."));
    EXPECT_TRUE(Dateien(empfang.path()).empty());
    EXPECT_TRUE(Unfertig().empty());
}

TEST_F(DidaditEmpfang, WithoutADigestTheFileIsAOneOffNeverResumed) {
    const DidaditPeer peer{ZufallsDatei(2000, 31)};
    const std::string info = "FILENAME=ohne.bin\rSIZE=2000\rMD5=kaputt\r";
    Beginne(peer.Frame(TDidaditTyp::Info, info));
    Antworten();
    Sende({peer.Data(0, 1000)});
    Abbruch();
    EXPECT_TRUE(Unfertig().empty());

    Beginne(peer.Frame(TDidaditTyp::Info, info));
    EXPECT_EQ(ParseDidaditStart(Antworten()[0].data).offset, 0);
    Sende({peer.Data(0, 2000), peer.Fin()});
    EXPECT_EQ(Antworten()[0].typ, static_cast<std::uint16_t>(TDidaditTyp::FinAck));
    Ende();
    EXPECT_EQ(ReadFile(empfang / "ohne.bin"), peer.datei);
    EXPECT_TRUE(Unfertig().empty());
}

TEST_F(DidaditEmpfang, NonFatalErrAndChatBothWaysKeepTheTransferGoing) {
    const DidaditPeer peer{ZufallsDatei(1500, 37)};
    Beginne(peer.Frame(TDidaditTyp::Info, BuildDidaditInfo("chat.bin", 1500, peer.digest, std::nullopt)));
    const auto start = Antworten();
    ASSERT_EQ(start.size(), 1U);
    EXPECT_TRUE(ParseDidaditStart(start[0].data).chat);

    Sende({peer.Data(0, 700), peer.Frame(TDidaditTyp::Err, "150 Block type not implemented (99)"),
           peer.Frame(TDidaditTyp::Chat, "Hallo du\r")});
    EXPECT_EQ(connection->Shown(), std::vector<std::string>{"Hallo du\r"});
    connection->typed.PushString("Moin\r");
    receiver->SendData();
    const auto chat = Antworten();
    ASSERT_EQ(chat.size(), 1U);
    EXPECT_EQ(chat[0].typ, static_cast<std::uint16_t>(TDidaditTyp::Chat));
    EXPECT_EQ(chat[0].data, "Moin\r");

    Sende({peer.Data(700, 800), peer.Fin()});
    EXPECT_EQ(Antworten()[0].typ, static_cast<std::uint16_t>(TDidaditTyp::FinAck));
    Ende();
    EXPECT_EQ(ReadFile(empfang / "chat.bin"), peer.datei);
}

} // namespace
} // namespace quarn::test
