#include "stations/MyCallsAuto.h"

#include "foundation/DebOutU.h"
#include "platform/Exception.h"
#include "stations/MyCallsU.h"

#include <charconv>
#include <cstdint>
#include <string>
#include <string_view>

namespace quarn {

namespace {

constexpr const char* kEnumClass = "TMyCallsEnum";

int TextIndex(std::string_view text) {
    int value = -1;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() ? value : -1;
}

} // namespace

int AutomationIndex(const std::any& index) {
    if (const auto* value = std::any_cast<int>(&index)) {
        return *value;
    }
    if (const auto* value = std::any_cast<std::int64_t>(&index)) {
        return *value >= INT32_MIN && *value <= INT32_MAX ? static_cast<int>(*value) : -1;
    }
    if (const auto* value = std::any_cast<std::uint32_t>(&index)) {
        return *value <= INT32_MAX ? static_cast<int>(*value) : -1;
    }
    if (const auto* text = std::any_cast<std::string>(&index)) {
        return TextIndex(*text);
    }
    return -1;
}

// ---- TMyCallsAuto ----------------------------------------------------------------------------------

TMyCallsAuto::TMyCallsAuto(std::shared_ptr<IApplication> application, const TMyCalls& calls)
    : application_(std::move(application)) {
    calls.Lock();
    const int count = calls.GetCount();
    calls_.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        calls_.push_back(calls.GetItem(i));
    }
    calls.Unlock();
}

std::shared_ptr<IEnumVARIANT> TMyCallsAuto::NewEnum() {
    return std::make_shared<TMyCallsEnum>(shared_from_this());
}

std::shared_ptr<IMyCall> TMyCallsAuto::Item(int index) const {
    if (index < 0 || index >= Get_Count()) {
        throw Exception("buh!");
    }
    return calls_[static_cast<std::size_t>(index)];
}

std::shared_ptr<IMyCall> TMyCallsAuto::Item(const std::any& index) const {
    return Item(AutomationIndex(index));
}

std::shared_ptr<IApplication> TMyCallsAuto::Get_Application() const {
    return application_;
}

int TMyCallsAuto::Get_Count() const {
    return static_cast<int>(calls_.size());
}

// ---- TMyCallsEnum ----------------------------------------------------------------------------------

TMyCallsEnum::TMyCallsEnum(std::shared_ptr<IMyCalls> calls, int position)
    : calls_(std::move(calls)), position_(position) {
    DebOutObj(kEnumClass, "Create", "");
}

bool TMyCallsEnum::Next(int count, std::vector<std::any>& items) {
    int fetched = 0;
    while (fetched < count && position_ < calls_->Get_Count()) {
        items.emplace_back(calls_->Item(position_));
        ++position_;
        ++fetched;
    }
    DebOutObjFmt(kEnumClass, "Next", "%d von %d", fetched, count);
    return fetched == count;
}

bool TMyCallsEnum::Skip(int count) {
    DebOutObjFmt(kEnumClass, "Skip", "%d", count);
    if (count >= 0 && position_ + count < calls_->Get_Count()) {
        position_ += count;
        return true;
    }
    position_ = calls_->Get_Count();
    return false;
}

void TMyCallsEnum::Reset() {
    DebOutObj(kEnumClass, "Reset", "");
    position_ = 0;
}

std::shared_ptr<IEnumVARIANT> TMyCallsEnum::Clone() const {
    DebOutObj(kEnumClass, "Clone", "");
    return std::make_shared<TMyCallsEnum>(calls_, position_);
}

} // namespace quarn
