#pragma once

#include "foundation/InterfacesU.h"
#include "platform/Exception.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace quarn {

class TApplication;

// A failure an automation client sees with exactly this text.
class EAutomationError : public Exception {
public:
    explicit EAutomationError(const std::string& text);
    std::string className() const override { return "EAutomationError"; }
};

// The text a client gets for a failure: an automation error's own text, the message part of the
// program's exceptions ("Connection released", "buh!"), else the exception's text.
std::string AutomationErrorText(const std::exception& error);

// Where Connect finds the radio ports; by default those of the device set, listed on the GUI thread.
using TAutomationPortSource = std::function<std::vector<std::shared_ptr<IFunkKanal>>()>;
// An empty source restores the default.
void SetAutomationPortSource(TAutomationPortSource source);

// "Unknown error", "Device timeout", ... for the codes of a failed connect.
std::string ConnectResultText(TConnectResult result);

// Connects through the first radio port with the first own call, attaches the client and waits while
// the link is being set up. Raises EAutomationError with the client's text: "Invalid path: ..." naming
// the fault of a path the connect dialog would not take either (nothing reaches a device), "No device"
// without a port, "No MyCall" without an own call, the code's text, and "Connection failed" (or "Busy" when
// the remote station was busy) when the link did not come up, also when the connection was released or the
// program is quitting meanwhile; "Application not found." when the client went away.
std::shared_ptr<IVerbindung> AutomationConnect(std::string_view path, TApplication& client);

// The first open connection whose remote call is `call`, case ignored; null when none.
std::shared_ptr<IVerbindung> FindOpenConnection(std::string_view call);

} // namespace quarn
