#include "foundation/InterfacesU.h"
#include "foundation/SharedEnums.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTranslator>

#include <array>
#include <set>
#include <type_traits>

namespace quarn {
namespace {

template <typename... Interfaces> constexpr bool AllAbstractWithVirtualDestructor() {
    return (... && (std::is_abstract_v<Interfaces> && std::has_virtual_destructor_v<Interfaces>));
}
static_assert(AllAbstractWithVirtualDestructor<
              IMyCall, IMyCalls, IConnection, IKanal, IKanalFuerVerbindung, IKanalForBoxlist, IFunkKanal,
              IVerbindung, IVerbindungFuerModul, IVerbindungAbstract, IDateiSenden, IDateiSendenQueue,
              IRemoteCommands, IStationenDatenbankEintrag, IStatus>());
static_assert(std::is_base_of_v<ISubscriber, IKanalFuerVerbindung>);
static_assert(std::is_base_of_v<IConnection, IVerbindung>);
static_assert(std::is_base_of_v<IVerbindung, IVerbindungFuerModul>);
static_assert(std::is_base_of_v<IPublisher, IDateiSenden>);
static_assert(std::is_base_of_v<IPublisher, IDateiSendenQueue>);

// The smallest interface implemented in full, used only through its interface.
class FakeFunkKanal final : public IFunkKanal {
public:
    explicit FakeFunkKanal(int* alive) : alive_(alive) { ++*alive_; }
    ~FakeFunkKanal() override { --*alive_; }

    std::string GetBezeichnung() const override { return description_; }
    void SetBezeichnung(std::string_view description) override { description_ = description; }
    void SetNummer(int number) override { number_ = number; }
    int GetNummer() const override { return number_; }
    TConnectResult VerbindeKurz(std::string& path, std::string& myCall,
                                std::shared_ptr<IKanal>& channel) override {
        std::shared_ptr<IVerbindung> connection;
        return Verbinde(path, myCall, connection, channel);
    }
    TConnectResult Verbinde(std::string& path, std::string& myCall, std::shared_ptr<IVerbindung>& connection,
                            std::shared_ptr<IKanal>& channel) override {
        path = "DB0ABC";
        myCall = "DL1XYZ-1";
        return TConnectResult::NoDevice;
    }
    bool IsFlexnet() const override { return false; }
    std::string GetName() const override { return name_; }
    void SetName(std::string_view name) override { name_ = name; }
    bool SendUI(std::string_view destination, std::string_view myCall, std::string_view text) override {
        sent_ += text;
        return true;
    }

private:
    int* alive_;
    std::string description_;
    std::string name_;
    std::string sent_;
    int number_ = -1;
};

TEST(Interfaces, AFakeRadioPortWorksThroughItsInterface) {
    int alive = 0;
    {
        std::shared_ptr<IFunkKanal> port = std::make_shared<FakeFunkKanal>(&alive);
        port->SetName("HM01");
        port->SetNummer(1);
        std::string path = "db0abc";
        std::string myCall = "DL1XYZ";
        std::shared_ptr<IKanal> channel;
        EXPECT_EQ(port->VerbindeKurz(path, myCall, channel), TConnectResult::NoDevice);
        EXPECT_EQ(path, "DB0ABC");
        EXPECT_EQ(myCall, "DL1XYZ-1");
        EXPECT_EQ(port->GetName(), "HM01");
        EXPECT_EQ(port->GetNummer(), 1);
        EXPECT_EQ(alive, 1);
    }
    EXPECT_EQ(alive, 0);
}

TEST(Interfaces, IdentitiesAreDistinctGuids) {
    const std::array guids = {
        IMyCall::kGuid,
        IMyCalls::kGuid,
        IConnection::kGuid,
        IKanal::kGuid,
        IKanalFuerVerbindung::kGuid,
        IKanalForBoxlist::kGuid,
        IFunkKanal::kGuid,
        IVerbindung::kGuid,
        IVerbindungFuerModul::kGuid,
        IVerbindungAbstract::kGuid,
        IDateiSenden::kGuid,
        IDateiSendenQueue::kGuid,
        IRemoteCommands::kGuid,
        IStationenDatenbankEintrag::kGuid,
        IStatus::kGuid,
    };
    const std::set<std::string_view> distinct(guids.begin(), guids.end());
    EXPECT_EQ(distinct.size(), guids.size());
    for (const std::string_view guid : guids) {
        ASSERT_EQ(guid.size(), 38u) << guid;
        EXPECT_EQ(guid.front(), '{');
        EXPECT_EQ(guid.back(), '}');
        for (const std::size_t dash : {9u, 14u, 19u, 24u}) {
            EXPECT_EQ(guid[dash], '-') << guid;
        }
    }
}

TEST(SharedEnums, NameTablesByIndex) {
    struct Case {
        int index;
        const char* stationType;
        const char* passwortMethode;
        const char* passwortArt;
        const char* geraetStatus;
    };
    // clang-format off
    const Case cases[] = {
        {-1,  "[undef]",     "",       "",         ""},
        {0,   "Automatisch", "BayCom", "Benutzer", "Bereit"},
        {1,   "Digi",        "MD5",    "Sysop",    "Init"},
        {2,   "Mailbox",     "DieBox", "",         "Fehler"},
        {3,   "Convers",     "",       "",         "Inaktiv"},
        {4,   "Terminal",    "",       "",         ""},
        {5,   "Cluster",     "",       "",         ""},
        {6,   "[undef]",     "",       "",         ""},
        {255, "[undef]",     "",       "",         ""},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.index);
        EXPECT_EQ(StationTypeName(c.index), QString::fromUtf8(c.stationType));
        EXPECT_EQ(PasswortMethodeName(c.index), QString::fromUtf8(c.passwortMethode));
        EXPECT_EQ(PasswortArtName(c.index), QString::fromUtf8(c.passwortArt));
        EXPECT_EQ(GeraetStatusText(c.index), QString::fromUtf8(c.geraetStatus));
    }
}

// Stands in for a language library: translates a few of the words.
class EnglishWords : public QTranslator {
public:
    bool isEmpty() const override { return false; }
    QString translate(const char* context, const char* source, const char* disambiguation = nullptr,
                      int n = -1) const override {
        const QString word = QString::fromUtf8(source);
        if (word == "Automatisch") {
            return "Automatic";
        }
        if (word == "Benutzer") {
            return "User";
        }
        if (word == "Fehler") {
            return "Error";
        }
        return {};
    }
};

TEST(SharedEnums, TranslatableNamesFollowTheLanguage) {
    EnglishWords english;
    QCoreApplication::installTranslator(&english);
    EXPECT_EQ(StationTypeName(0), "Automatic");
    EXPECT_EQ(StationTypeName(1), "Digi");
    EXPECT_EQ(PasswortArtName(0), "User");
    EXPECT_EQ(GeraetStatusText(2), "Error");
    QCoreApplication::removeTranslator(&english);
    EXPECT_EQ(StationTypeName(0), "Automatisch");
}

} // namespace
} // namespace quarn
