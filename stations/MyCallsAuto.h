#pragma once

#include "foundation/InterfacesU.h"

#include <any>
#include <memory>
#include <vector>

namespace quarn {

class TMyCalls;

// An automation index: integers as they are, a text holding a decimal number as that number, anything
// else -1.
int AutomationIndex(const std::any& index);

// The own calls as an automation client sees them: a snapshot taken when it is made.
class TMyCallsAuto final : public IMyCalls, public std::enable_shared_from_this<TMyCallsAuto> {
public:
    TMyCallsAuto(std::shared_ptr<IApplication> application, const TMyCalls& calls);

    std::shared_ptr<IEnumVARIANT> NewEnum() override;
    // Anything but 0 <= index < Count raises "buh!".
    std::shared_ptr<IMyCall> Item(int index) const override;
    std::shared_ptr<IMyCall> Item(const std::any& index) const;
    std::shared_ptr<IApplication> Get_Application() const override;
    int Get_Count() const override;

private:
    std::shared_ptr<IApplication> application_;
    std::vector<std::shared_ptr<IMyCall>> calls_;
};

// Walks an automation collection of own calls.
class TMyCallsEnum final : public IEnumVARIANT {
public:
    explicit TMyCallsEnum(std::shared_ptr<IMyCalls> calls, int position = 0);

    bool Next(int count, std::vector<std::any>& items) override;
    bool Skip(int count) override;
    void Reset() override;
    std::shared_ptr<IEnumVARIANT> Clone() const override;

private:
    std::shared_ptr<IMyCalls> calls_;
    int position_;
};

} // namespace quarn
