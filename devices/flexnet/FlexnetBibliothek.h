#pragma once

#include "devices/flexnet/FlexnetKernel.h"
#include "platform/DynamicLibrary.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace quarn {

// The kernel's interface library, bound by name at run time. Records cross the library boundary in the
// kernel's raw layout: address and monitor records share it (destination at 0, source at 7, digipeater
// count at 14, passed count at 15, channel at 16, pid 18, kind 19, poll/final 20, command 21, sequence
// numbers 22 and 23, DAMA 24, colour 25, information length 30, information pointer 32, digipeaters
// from 40 on, 7 bytes each).
class TFlexnetBibliothek final : public IFlexnetKernel {
public:
    static constexpr const char* kDateiName = "libflxapi32.so";
    static constexpr const char* kRegistryKey = "\\Software\\FlexNet";
    static constexpr std::size_t kRecordGroesse = 128;
    static constexpr int kMaxDigis = 8;

    // Where the library is looked for, in order: the "Home" folder the kernel's set-up stored, the
    // folder in the environment variable "flexnet", the plain name on the loader's search path.
    static std::vector<std::string> Suchpfade();
    // The loaded library, or null with `fehler` set ("DLL nicht gefunden", "Nicht in DLL: a / b").
    static std::unique_ptr<TFlexnetBibliothek> Laden(std::string& fehler);
    // Every entry point the library must export.
    static const std::vector<std::string>& EinsprungNamen();

    ~TFlexnetBibliothek() override;

    std::uint8_t ax_init() override;
    void ax_exit() override;
    std::optional<std::string> l2_version() override;
    bool ch_active(int n) override;
    std::optional<std::string> get_ident(int n) override;
    int l2_stat(int code, FlexnetQso qso) override;
    void l2_bef(int code, FlexnetQso qso) override;
    std::optional<FlexnetAdresse> l2_get_f(FlexnetQso qso) override;
    std::optional<FlexnetInfo> l2_get_i(FlexnetQso qso) override;
    bool l2_ialloc(FlexnetQso qso, int length) override;
    void l2_send_frame(FlexnetQso qso, const FlexnetInfo& frame) override;
    FlexnetQso l2_get_sabm(std::string_view call) override;
    void build_frame(FlexnetAdresse& record, std::string_view myCall, std::string_view path) override;
    FlexnetQso l2_get_qnum(const FlexnetAdresse& record) override;
    FlexnetQso l2_fconnect(const FlexnetAdresse& record) override;
    std::string strcall(std::string_view address) override;
    std::string strpath(const FlexnetAdresse& record) override;
    bool l2_send_ui(std::string_view myCall, std::string_view portAndDestination, std::uint8_t pid, int flags,
                    std::string_view data) override;
    void l2_set_monitor() override;
    bool l2_chk_monitor() override;
    void l2_clr_monitor() override;
    std::optional<FlexnetMonitor> l2_get_monitor() override;
    void l2_ack_monitor() override;

private:
    using Record = std::array<std::uint8_t, kRecordGroesse>;
    struct Einsprung;

    TFlexnetBibliothek();
    std::string CallText(const std::uint8_t* address);
    FlexnetAdresse Lesen(const std::uint8_t* record);
    // The raw record of a decoded one: the kernel's own when it handed it out lately, else encoded.
    Record Roh(const FlexnetAdresse& record) const;
    void Merken(const FlexnetAdresse& decoded, const std::uint8_t* raw);

    DynamicLibrary library_;
    std::unique_ptr<Einsprung> e_;
    std::vector<std::pair<FlexnetAdresse, Record>> zuletzt_;
};

} // namespace quarn
