#pragma once

#include "devices/flexnet/FlexnetKernel.h"
#include "devices/MonitorFrameU.h"

#include <cstdint>
#include <memory>

namespace quarn {

class TGeraetFlexnet;
class Thread;

// A frame the kernel monitored, as the monitor line takes it: the calls in the kernel's spelling, the
// information only when `mitInfo`.
TMonitorFrame MonitorFrameAusKernel(const FlexnetMonitor& frame, int geraet, bool mitInfo,
                                    IFlexnetKernel& kernel);

// The FlexNet device's second thread: switches the kernel's monitor as the settings say and hands the
// monitored frames the settings ask for to the monitor channel. It holds its device while it runs.
class TMonitorThread {
public:
    explicit TMonitorThread(std::shared_ptr<TGeraetFlexnet> device);
    ~TMonitorThread();
    TMonitorThread(const TMonitorThread&) = delete;
    TMonitorThread& operator=(const TMonitorThread&) = delete;

    void Start();
    // Asks the thread to stop and waits up to `milliseconds`; one that does not end is left to run on.
    void Beenden(std::uint32_t milliseconds);

private:
    static void Execute(TGeraetFlexnet& device, Thread& thread);
    static void Schalten(TGeraetFlexnet& device, bool on);
    static void Lesen(TGeraetFlexnet& device, std::int32_t flags, const Thread& thread);

    std::unique_ptr<Thread> thread_;
};

} // namespace quarn
