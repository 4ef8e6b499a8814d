#include "devices/hostmode/GeraetHostmodeTFWinU.h"

#include "devices/hostmode/GeraetHostmodeDialog.h"
#include "foundation/DebOutU.h"
#include "foundation/GlobalU.h"
#include "platform/Exception.h"
#include "platform/WaitForAny.h"

#include <dlfcn.h>

namespace quarn {

namespace {

constexpr const char* kUnit = "GeraetHostmodeTFWinU";
constexpr const char* kClass = "TGeraetHostmodeTFWin";
constexpr int kChckVersuche = 10;
constexpr std::uint32_t kChckPauseMs = 25;

} // namespace

struct TGeraetHostmodeTFWin::Library {
    void* handle = nullptr;
    int (*open)(void*) = nullptr;
    void (*close)() = nullptr;
    int (*put)(int) = nullptr;
    int (*get)() = nullptr;
    int (*chck)() = nullptr;

    ~Library() {
        if (handle) {
            ::dlclose(handle);
        }
    }
};

std::unique_ptr<TGeraetHostmodeParameter> TGeraetHostmodeTFWinParameter::Kopie() const {
    return std::make_unique<TGeraetHostmodeTFWinParameter>(*this);
}

TGeraetHostmodeTFWin::TGeraetHostmodeTFWin() {
    parameter_ = ParameterErzeugen();
}

TGeraetHostmodeTFWin::~TGeraetHostmodeTFWin() {
    CommClose();
}

std::unique_ptr<TGeraetHostmodeParameter> TGeraetHostmodeTFWin::ParameterErzeugen() const {
    return std::make_unique<TGeraetHostmodeTFWinParameter>();
}

int TGeraetHostmodeTFWin::EinstellungenSeite(QWidget* parent) {
    TGeraetHostmodeDialog dialog(parent, false);
    const TGeraetHostmodeParameter& shown = editedParameter_ ? *editedParameter_ : *parameter_;
    dialog.SetWerte(0, 0, shown.initListe, shown.deinitListe);
    const int result = dialog.exec();
    if (result == QDialog::Accepted) {
        if (!editedParameter_) {
            editedParameter_ = parameter_->Kopie();
        }
        editedParameter_->initListe = dialog.InitListe();
        editedParameter_->deinitListe = dialog.DeinitListe();
    }
    return result;
}

void TGeraetHostmodeTFWin::EinstellungenSchliessen() {
    editedParameter_.reset();
}

void TGeraetHostmodeTFWin::EinstellungenUebernehmen() {
    DebOutObj(kClass, "EinstellungenUebernehmen", "");
    bool restart = GetStatus() != TGeraetStatus::Bereit;
    if (editedParameter_) {
        const bool initChanged = editedParameter_->initListe != parameter_->initListe;
        EditedParameterUebernehmen();
        if (initChanged && HasThread() && !restart) {
            PostMessage(msg_init);
        }
    }
    if (restart) {
        if (CommIsOpen() || HasThread()) {
            DeInit();
        }
        const std::string key = GetRegistryKey();
        SetRegistryKey("");
        TGeraetHostmode::Init();
        SetRegistryKey(key);
    }
}

bool TGeraetHostmodeTFWin::CommOpen() {
    DebOutObj(kClass, "CommOpen", "LoadDLL...");
    auto library = std::make_unique<Library>();
    library->handle = ::dlopen(bibliothek_.c_str(), RTLD_NOW | RTLD_LOCAL);
    bool complete = library->handle != nullptr;
    const auto bind = [&](const char* name, auto& entry) {
        void* symbol = library->handle ? ::dlsym(library->handle, name) : nullptr;
        if (!symbol) {
            DebOutObj(kClass, "CommOpen", std::string("FEHLER: Einsprungpunkt fehlt: ") + name);
            complete = false;
            return;
        }
        entry = reinterpret_cast<std::remove_reference_t<decltype(entry)>>(symbol);
    };
    if (library->handle) {
        bind("TfOpen", library->open);
        bind("TfClose", library->close);
        bind("TfPut", library->put);
        bind("TfGet", library->get);
        bind("TfChck", library->chck);
    }
    if (!complete) {
        SetStatus(TGeraetStatus::Fehler, GeraetText("TFWIN32.DLL nicht gefunden"));
        return false;
    }
    DebOutObj(kClass, "CommOpen", "TFOpen...");
    if ((library->open(nullptr) & 0xFF) != 1) {
        SetStatus(TGeraetStatus::Fehler, GeraetText("TFOpen fehlgeschlagen"));
        return false;
    }
    library_ = std::move(library);
    return true;
}

bool TGeraetHostmodeTFWin::CommClose() {
    if (library_) {
        library_->close();
        library_.reset();
    }
    return true;
}

bool TGeraetHostmodeTFWin::CommIsOpen() const {
    return library_ != nullptr;
}

bool TGeraetHostmodeTFWin::CommWrite(const char* data, std::size_t count, std::size_t& written) {
    QUARN_ASSERT(library_ != nullptr, kUnit);
    for (written = 0; written < count; ++written) {
        if (library_->put(static_cast<unsigned char>(data[written])) == 0) {
            return false;
        }
    }
    return true;
}

bool TGeraetHostmodeTFWin::CommRead(char* buffer, std::size_t count, std::size_t& read) {
    QUARN_ASSERT(library_ != nullptr, kUnit);
    for (read = 0; read < count; ++read) {
        for (int i = 0; i < kChckVersuche && (library_->chck() & 0xFF) == 0; ++i) {
            if (WaitForAny({TransportStopEvent(), TransportQuitEvent()}, kChckPauseMs) != kWaitTimeout) {
                return true; // the stop request: what was read so far
            }
        }
        const int byte = library_->get();
        if (byte < 0) {
            return false;
        }
        buffer[read] = static_cast<char>(byte);
    }
    return true;
}

} // namespace quarn
