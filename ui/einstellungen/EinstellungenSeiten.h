#pragma once

#include "ui/einstellungen/TabForm.h"

#include <memory>

class QWidget;

namespace quarn {

// The settings window's tabs, in order.
inline constexpr int kEinstellungenSeiten = 9;

// The caption of tab `index` (0 to 8).
const char* EinstellungenSeiteTitel(int index);

// Makes the page of tab `index` (0 to 8) with `parent` as its parent.
std::unique_ptr<TTabForm> EinstellungenSeiteErzeugen(int index, QWidget* parent);

} // namespace quarn
