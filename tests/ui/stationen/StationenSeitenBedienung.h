#pragma once

// Works the editor pages of the station window as the operator does: through their controls.
#include "controls/ListView4State.h"
#include "ui/editoren/KlaengeForm.h"
#include "ui/editoren/RemoteCommandsForm.h"
#include "ui/editoren/TexteForm.h"
#include "ui/stationen/StationenDatenbankDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <gtest/gtest.h>

namespace quarn::test {

inline constexpr int kTexteTab = 2;
inline constexpr int kFernsteuerungTab = 3;
inline constexpr int kKlaengeTab = 4;

template <class Form> Form& Editor(const TStationenDatenbankDlg& dlg, int tab) {
    auto* form = dlg.Seite(tab)->findChild<Form*>();
    EXPECT_NE(form, nullptr) << "no editor on tab " << tab;
    return *form;
}

inline QComboBox& TextArten(const TStationenDatenbankDlg& dlg) {
    return *Editor<TTexteForm>(dlg, kTexteTab).findChild<QComboBox*>("TextTypCombobox");
}
inline QPlainTextEdit& TextMemo(const TStationenDatenbankDlg& dlg) {
    return *Editor<TTexteForm>(dlg, kTexteTab).findChild<QPlainTextEdit*>("TextMemo");
}
inline QCheckBox& VorherStandardtext(const TStationenDatenbankDlg& dlg) {
    return *Editor<TTexteForm>(dlg, kTexteTab).findChild<QCheckBox*>("VorherCheckBox");
}

// The row of a remote command (by its name, any case) on the page "Fernsteuerung".
inline QTreeWidgetItem* BefehlsZeile(const TStationenDatenbankDlg& dlg, const QString& name) {
    TListView4State& list = Editor<TRemoteCommandsForm>(dlg, kFernsteuerungTab).CheckListView();
    for (int row = 0; row < list.topLevelItemCount(); ++row) {
        if (list.topLevelItem(row)->text(0).compare(name, Qt::CaseInsensitive) == 0) {
            return list.topLevelItem(row);
        }
    }
    ADD_FAILURE() << "no row " << name.toStdString();
    return nullptr;
}

inline int BefehlsZustand(const TStationenDatenbankDlg& dlg, const QString& name) {
    const QTreeWidgetItem* row = BefehlsZeile(dlg, name);
    return row ? TListView4State::ItemState(*row) : -1;
}

inline void BefehlSetzen(const TStationenDatenbankDlg& dlg, const QString& name, int state) {
    if (QTreeWidgetItem* row = BefehlsZeile(dlg, name)) {
        TListView4State::SetItemState(*row, state);
    }
}

// Chooses the event on the page "Klänge".
inline void EreignisWaehlen(const TStationenDatenbankDlg& dlg, int event) {
    auto* combo = Editor<TKlaengeForm>(dlg, kKlaengeTab).findChild<QComboBox*>("EreignisComboBox");
    const int index = combo->findData(event);
    ASSERT_GE(index, 0) << "event " << event << " not offered";
    combo->setCurrentIndex(index);
}

inline QCheckBox& EigenerKlang(const TStationenDatenbankDlg& dlg) {
    return *Editor<TKlaengeForm>(dlg, kKlaengeTab).findChild<QCheckBox*>("KlangCheckBox");
}
inline QLineEdit& KlangWaveEdit(const TStationenDatenbankDlg& dlg) {
    return *Editor<TKlaengeForm>(dlg, kKlaengeTab).findChild<QLineEdit*>("KlangWaveEdit");
}

inline QRadioButton* KlangRadio(const TStationenDatenbankDlg& dlg, const QString& caption) {
    for (QRadioButton* radio : Editor<TKlaengeForm>(dlg, kKlaengeTab).findChildren<QRadioButton*>()) {
        if (radio->text() == caption) {
            return radio;
        }
    }
    ADD_FAILURE() << "no radio button " << caption.toStdString();
    return nullptr;
}

// The event's own sound on, as the wave file given.
inline void EigenenKlangSetzen(const TStationenDatenbankDlg& dlg, int event, const QString& wave) {
    EreignisWaehlen(dlg, event);
    if (!EigenerKlang(dlg).isChecked()) {
        EigenerKlang(dlg).click();
    }
    if (QRadioButton* radio = KlangRadio(dlg, QStringLiteral("Wave-Datei"))) {
        radio->click();
    }
    KlangWaveEdit(dlg).setText(wave);
}

} // namespace quarn::test
