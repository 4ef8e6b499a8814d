// The FlexNet monitor thread: switches the kernel's monitor as the settings say and hands every
// monitored frame the settings ask for to the monitor channel.
#include "devices/flexnet/FlexnetMonitorThread.h"
#include "devices/flexnet/GeraetFlexnetU.h"
#include "devices/channel/KanaeleU.h"
#include "foundation/ConfigU.h"
#include "foundation/DebOutU.h"
#include "foundation/GlobalU.h"
#include "foundation/UnhandledExceptionU.h"
#include "platform/Thread.h"
#include "platform/WaitForAny.h"

#include <exception>

namespace quarn {

namespace {

constexpr const char* kClass = "TMonitorThread";
constexpr std::uint32_t kMonitorMs = 200;
constexpr unsigned kFlagRunden = 16;
constexpr std::int32_t kSU = 0x2;
constexpr std::int32_t kI = 0x4;
constexpr std::int32_t kIInfo = 0x8;
constexpr std::int32_t kUI = 0x10;
constexpr std::int32_t kAlle = kSU | kI | kUI;

} // namespace

TMonitorFrame MonitorFrameAusKernel(const FlexnetMonitor& frame, int geraet, bool mitInfo,
                                    IFlexnetKernel& kernel) {
    TMonitorFrame m;
    m.geraet = geraet;
    m.port = frame.kanal;
    m.from = kernel.strcall(frame.quelle);
    m.to = kernel.strcall(frame.ziel);
    for (std::size_t i = 0; i < frame.digis.size(); ++i) {
        if (i > 0) {
            m.via += ' ';
        }
        m.via += kernel.strcall(frame.digis[i]);
        // The mark follows the last digipeater the frame has passed (counted from 1).
        if (i + 1 == frame.digisPassiert) {
            m.via += '*';
        }
    }
    m.pid = frame.pid;
    m.kind = frame.art;
    m.sequence1 = frame.sequenz1;
    m.sequence2 = frame.sequenz2;
    m.pollFinal = frame.pollFinal;
    m.command = frame.kommando;
    m.dama = frame.dama;
    m.colourFlag = frame.farbe;
    if (mitInfo) {
        m.information = frame.info;
    }
    return m;
}

std::int32_t TGeraetFlexnet::MonitorFlags() const {
    const TConfig* config = Config();
    return config ? config->GetMonitorFlags() : 0;
}

void TGeraetFlexnet::MonitorFrameZeigen(const TMonitorFrame& frame) {
    if (TKanaele* channels = TKanaele::Instance()) {
        channels->MonitorZeile(frame);
    }
}

TMonitorThread::TMonitorThread(std::shared_ptr<TGeraetFlexnet> device)
    // The body holds the device: a thread left to run on keeps what it uses alive.
    : thread_(std::make_unique<Thread>("FlexNet Monitor",
                                       [device](Thread& thread) { Execute(*device, thread); })) {}

// A thread still running is asked to stop and left to end by itself.
TMonitorThread::~TMonitorThread() = default;

void TMonitorThread::Start() {
    thread_->Start();
}

void TMonitorThread::Beenden(std::uint32_t milliseconds) {
    thread_->RequestStop();
    if (thread_->IsCurrent() || !thread_->Join(milliseconds)) {
        DebOutObj(kClass, "Beenden", "Monitor-Thread endet nicht, abgehängt.");
        thread_->Detach();
    }
}

void TMonitorThread::Schalten(TGeraetFlexnet& device, bool on) {
    const TGeraetFlexnet::Kern kern(device);
    if (!kern) {
        return;
    }
    if (on) {
        kern->l2_set_monitor();
    } else if (kern->l2_chk_monitor()) {
        kern->l2_clr_monitor();
    }
}

void TMonitorThread::Execute(TGeraetFlexnet& device, Thread& thread) {
    try {
        std::int32_t flags = device.MonitorFlags();
        if ((flags & kAlle) != 0) {
            Schalten(device, true);
        }
        for (unsigned runde = 0;; ++runde) {
            if (WaitForAny({thread.StopEvent(), QuitEvent()}, kMonitorMs) != kWaitTimeout) {
                break;
            }
            const bool flagRunde = runde % kFlagRunden == 0;
            if (flagRunde) {
                const std::int32_t neu = device.MonitorFlags();
                if (neu != flags) {
                    flags = neu;
                    Schalten(device, (flags & kAlle) != 0);
                }
            }
            if ((flags & kAlle) == 0) {
                continue;
            }
            if (flagRunde) {
                bool aus = false;
                {
                    const TGeraetFlexnet::Kern kern(device);
                    aus = kern && !kern->l2_chk_monitor();
                }
                if (aus) {
                    DebOutObj(kClass, "Execute", "Monitor verloren");
                    Schalten(device, true);
                }
            }
            Lesen(device, flags, thread);
        }
        Schalten(device, false);
    } catch (...) {
        ReportUnhandledException(std::current_exception(), kClass, "Execute", "");
    }
}

void TMonitorThread::Lesen(TGeraetFlexnet& device, std::int32_t flags, const Thread& thread) {
    // A busy channel must not hold the thread past the stop request.
    while (!thread.StopEvent().IsSet() && !QuitEvent().IsSet()) {
        std::optional<TMonitorFrame> shown;
        {
            const TGeraetFlexnet::Kern kern(device);
            if (!kern) {
                return;
            }
            const std::optional<FlexnetMonitor> frame = kern->l2_get_monitor();
            if (!frame) {
                return;
            }
            bool zeigen = false;
            bool info = false;
            if (frame->art == 1) {
                zeigen = (flags & kI) != 0;
                info = (flags & kIInfo) != 0;
            } else if (frame->art >= 2 && frame->art <= 9) {
                zeigen = (flags & kSU) != 0;
            } else if (frame->art == 10) {
                zeigen = (flags & kUI) != 0;
                info = true;
            }
            if (zeigen) {
                shown = MonitorFrameAusKernel(*frame, device.GetNummer(), info, *kern);
            }
            kern->l2_ack_monitor();
        }
        if (shown) {
            device.MonitorFrameZeigen(*shown);
        }
    }
}

} // namespace quarn
