// The station list's model and its prefix search.
#include "ui/stationen/StationenListe.h"

#include "platform/Codepage.h"

#include <algorithm>

namespace quarn {

bool StationVor(const std::string& a, const std::string& b) {
    const std::string upperA = Cp1252UpperCase(a);
    const std::string upperB = Cp1252UpperCase(b);
    return upperA != upperB ? upperA < upperB : a < b;
}

namespace {

bool BeginntMit(const std::string& name, const std::string& upperPrefix) {
    if (name.size() < upperPrefix.size()) {
        return false;
    }
    for (std::size_t i = 0; i < upperPrefix.size(); ++i) {
        if (Cp1252Upper(static_cast<std::uint8_t>(name[i])) != static_cast<std::uint8_t>(upperPrefix[i])) {
            return false;
        }
    }
    return true;
}

} // namespace

int StationSuchen(const std::vector<std::string>& names, std::string_view prefix, int start) {
    const int count = static_cast<int>(names.size());
    if (count == 0 || prefix.empty()) {
        return -1;
    }
    const std::string upperPrefix = Cp1252UpperCase(prefix);
    start = std::clamp(start, 0, count - 1);
    for (int step = 0; step < count; ++step) {
        const int row = (start + step) % count;
        if (BeginntMit(names[static_cast<std::size_t>(row)], upperPrefix)) {
            return row;
        }
    }
    return -1;
}

TStationenListe::TStationenListe(std::vector<std::string> names, QObject* parent)
    : QAbstractListModel(parent), names_(std::move(names)) {
    std::sort(names_.begin(), names_.end(), StationVor);
}

int TStationenListe::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(names_.size());
}

QVariant TStationenListe::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    return Cp1252ToQString(Name(index.row()));
}

int TStationenListe::Zeile(std::string_view call) const {
    const std::string key(call);
    const auto place = std::lower_bound(names_.begin(), names_.end(), key, StationVor);
    return place != names_.end() && *place == key ? static_cast<int>(place - names_.begin()) : -1;
}

int TStationenListe::Einfuegen(const std::string& call) {
    const auto place = std::lower_bound(names_.begin(), names_.end(), call, StationVor);
    const int row = static_cast<int>(place - names_.begin());
    if (place != names_.end() && *place == call) {
        return row;
    }
    beginInsertRows(QModelIndex(), row, row);
    names_.insert(place, call);
    endInsertRows();
    return row;
}

void TStationenListe::Entfernen(int row) {
    if (row < 0 || row >= rowCount()) {
        return;
    }
    beginRemoveRows(QModelIndex(), row, row);
    names_.erase(names_.begin() + row);
    endRemoveRows();
}

} // namespace quarn
