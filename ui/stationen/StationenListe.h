#pragma once

#include <QAbstractListModel>
#include <string>
#include <string_view>
#include <vector>

namespace quarn {

// The order of the station list: by upper case, then by bytes (as the database lists its stations).
bool StationVor(const std::string& a, const std::string& b);

// The first row from `start` on whose name begins with `prefix`, case ignored, wrapping to the top when
// the end is reached; -1 when no name fits.
int StationSuchen(const std::vector<std::string>& names, std::string_view prefix, int start);

// The sorted station names as the list's model: the view asks only for the rows it paints, so thousands
// of stations make no widgets. Names are Windows-1252 bytes, converted when a row is shown.
class TStationenListe final : public QAbstractListModel {
public:
    explicit TStationenListe(std::vector<std::string> names, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    const std::vector<std::string>& Namen() const { return names_; }
    const std::string& Name(int row) const { return names_.at(static_cast<std::size_t>(row)); }
    // The row of exactly this name; -1 when it is not listed.
    int Zeile(std::string_view call) const;
    // Adds the name at its sorted place (once) and returns its row.
    int Einfuegen(const std::string& call);
    void Entfernen(int row);

private:
    std::vector<std::string> names_;
};

} // namespace quarn
