// The main window's actions, its menu bar and its command toolbar, and the toolbar's shown form.
#include "foundation/ConfigU.h"
#include "ui/Hauptfenster.h"
#include "ui/StandInLeiste.h"
#include "ui/ToolbarAccelerator.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>
#include <QShortcut>
#include <QToolBar>
#include <array>

namespace quarn {
namespace {

#define QUARN_TEXT(text) QT_TRANSLATE_NOOP("THauptfenster", text)

// One action as the window creates it. The menu shows the menu caption where one is given; the command
// toolbar shows the caption.
struct AktionForm {
    const char* name;
    const char* caption;
    const char* menuCaption;
    QKeyCombination shortcut;
    int image;
    bool enabled;
    bool checkable;
    int group; // 21 theme, 22 toolbar text, else 0
};

constexpr QKeyCombination kKeine{};

const AktionForm kAktionen[] = {
    {"ActionConnect", QUARN_TEXT("&Verbinden"), QUARN_TEXT("&Verbinden..."), kKeine, 0, true, false, 0},
    {"ActionDisconnect", QUARN_TEXT("&Trennen"), nullptr, kKeine, 1, true, false, 0},
    {"ActionSend", QUARN_TEXT("Se&nden"), nullptr, kKeine, 2, true, false, 0},
    {"ActionSave", QUARN_TEXT("&Speichern"), nullptr, kKeine, 3, true, true, 0},
    {"ActionStop", QUARN_TEXT("Abb&rechen"), nullptr, kKeine, 10, true, false, 0},
    {"ActionEnd", QUARN_TEXT("&Beenden"), nullptr, kKeine, -1, true, false, 0},
    {"ActionLocalEcho", QUARN_TEXT("Lokales &Echo"), nullptr, Qt::CTRL | Qt::Key_E, -1, false, true, 0},
    {"ActionPactorChangeover", QUARN_TEXT("&ChangeOver"), nullptr, Qt::CTRL | Qt::Key_Y, -1, false, false, 0},
    {"ActionPactorBreakin", QUARN_TEXT("&BreakIn"), nullptr, Qt::CTRL | Qt::Key_B, -1, false, false, 0},
    {"ActionEditCut", QUARN_TEXT("A&usschneiden"), nullptr, Qt::CTRL | Qt::Key_X, 13, true, false, 0},
    {"ActionEditCopy", QUARN_TEXT("&Kopieren"), nullptr, Qt::CTRL | Qt::Key_C, 14, true, false, 0},
    {"ActionEditPaste", QUARN_TEXT("E&infügen"), nullptr, Qt::CTRL | Qt::Key_V, 15, true, false, 0},
    {"ActionEditDelete", QUARN_TEXT("&Löschen"), nullptr, QKeyCombination(Qt::Key_Delete), 16, true, false,
     0},
    {"ActionEditSelectAll", QUARN_TEXT("&Alles markieren"), nullptr, Qt::CTRL | Qt::Key_A, -1, false, false,
     0},
    {"ActionClearConsole", QUARN_TEXT("Ausgabefenster lö&schen"), nullptr, kKeine, -1, true, false, 0},
    {"ActionDosUmlauteAnzeigen", QUARN_TEXT("&DOS-Umlaute anzeigen"), nullptr, kKeine, -1, true, true, 0},
    {"ActionDosUmlauteSenden", QUARN_TEXT("&DOS-Umlaute senden"), nullptr, kKeine, -1, true, true, 0},
    {"ActionHint", "", nullptr, Qt::CTRL | Qt::Key_H, -1, true, false, 0},
    {"ActionBoxRead", QUARN_TEXT("Nachricht zum Lesen markieren"), nullptr, kKeine, 18, true, false, 0},
    {"ActionBoxErase", QUARN_TEXT("Nachricht zum Löschen markieren"), nullptr, kKeine, 19, true, false, 0},
    {"ActionBoxUncheck", QUARN_TEXT("Markierung entfernen"), nullptr, kKeine, 17, true, false, 0},
    {"ActionBoxRun", QUARN_TEXT("Befehle absenden"), nullptr, kKeine, 20, true, false, 0},
    {"ActionDeviceStatus", QUARN_TEXT("&Gerätestatus"), nullptr, kKeine, -1, true, true, 0},
    {"ActionSettings", QUARN_TEXT("&Einstellungen"), QUARN_TEXT("&Einstellungen..."), kKeine, 5, true, false,
     0},
    {"ActionLanguage", QUARN_TEXT("&Sprache..."), nullptr, kKeine, 6, true, false, 0},
    {"ActionStationenDatenbank", QUARN_TEXT("Stat&ionen"), nullptr, kKeine, 11, true, false, 0},
    {"ActionStationenDatenbankReparieren", QUARN_TEXT("Datenbank &reparieren"), nullptr, kKeine, -1, true,
     false, 0},
    {"ActionHelpContents", QUARN_TEXT("&Inhalt..."), nullptr, kKeine, -1, true, false, 0},
    {"ActionHelpFirstSteps", QUARN_TEXT("&Erste Schritte..."), nullptr, kKeine, -1, true, false, 0},
    {"ActionHelpInfo", QUARN_TEXT("I&nfo..."), nullptr, kKeine, -1, true, false, 0},
    {"ActionDesignStandard", QUARN_TEXT("&Standard"), nullptr, kKeine, -1, true, true, 21},
    {"ActionDesignOfficeXP", QUARN_TEXT("&Office XP"), nullptr, kKeine, -1, true, true, 21},
    {"ActionDesignStripes", QUARN_TEXT("&Stripes"), nullptr, kKeine, -1, true, true, 21},
    {"ActionToolbarNoText", QUARN_TEXT("&Nur Symbole"), nullptr, kKeine, -1, true, true, 22},
    {"ActionToolbarTextRight", QUARN_TEXT("Text &rechts"), nullptr, kKeine, -1, true, true, 22},
    {"ActionToolbarTextBottom", QUARN_TEXT("Text &unten"), nullptr, kKeine, -1, true, true, 22},
    {"ActionMakro", QUARN_TEXT("&Makros"), nullptr, kKeine, -1, true, false, 0},
    {"ActionStationenHinzufuegen", QUARN_TEXT("&Hinzufügen..."), nullptr, kKeine, -1, true, false, 0},
};

#undef QUARN_TEXT

// The theme and toolbar-text actions in the order of their configuration values.
constexpr std::array<const char*, 3> kThemaAktionen{"ActionDesignStandard", "ActionDesignOfficeXP",
                                                    "ActionDesignStripes"};
constexpr std::array<const char*, 3> kTextAktionen{"ActionToolbarNoText", "ActionToolbarTextRight",
                                                   "ActionToolbarTextBottom"};

// The index of the checked action, 0 when none is.
int Gewaehlt(const THauptfenster& fenster, const std::array<const char*, 3>& names) {
    for (std::size_t index = 0; index < names.size(); ++index) {
        if (fenster.Action(names[index])->isChecked()) {
            return static_cast<int>(index);
        }
    }
    return 0;
}

} // namespace

QAction* THauptfenster::Action(const char* name) const {
    return findChild<QAction*>(QString::fromLatin1(name), Qt::FindDirectChildrenOnly);
}

void THauptfenster::BuildActions() {
    auto* themen = new QActionGroup(this);
    auto* texte = new QActionGroup(this);
    for (const AktionForm& form : kAktionen) {
        const QString caption = *form.caption != '\0' ? Tr(form.caption) : QString();
        auto* action = new QAction(form.menuCaption ? Tr(form.menuCaption) : caption, this);
        action->setObjectName(form.name);
        // The toolbar builds its accelerators from the caption proper, not the menu's.
        action->setProperty("Caption", caption);
        action->setProperty("ImageIndex", form.image);
        if (form.image >= 0) {
            action->setIcon(bilder_.Befehl(form.image));
        }
        if (form.shortcut != kKeine) {
            action->setShortcut(QKeySequence(form.shortcut));
        }
        action->setCheckable(form.checkable);
        action->setEnabled(form.enabled);
        if (form.group == 21) {
            themen->addAction(action);
        } else if (form.group == 22) {
            texte->addAction(action);
        }
        // Held by the window as well, so that every shortcut works without a menu being open.
        addAction(action);
    }
}

void THauptfenster::BuildMenus() {
    const auto add = [this](QMenu* menu, std::initializer_list<const char*> names) {
        for (const char* name : names) {
            if (*name == '-') {
                menu->addSeparator();
            } else {
                menu->addAction(Action(name));
            }
        }
    };
    add(menue_->addMenu(Tr("&Datei")), {"ActionSend", "ActionSave", "ActionStop", "-", "ActionEnd"});
    QMenu* verbindung = menue_->addMenu(Tr("Verbind&ung"));
    add(verbindung, {"ActionConnect", "ActionDisconnect", "-", "ActionLocalEcho", "-"});
    QMenu* pactor = verbindung->addMenu(Tr("&Pactor"));
    pactor->setObjectName("MenuConnectPactor");
    add(pactor, {"ActionPactorChangeover", "ActionPactorBreakin"});
    add(menue_->addMenu(Tr("&Bearbeiten")), {"ActionEditCut", "ActionEditCopy", "ActionEditPaste",
                                             "ActionEditDelete", "-", "ActionClearConsole"});
    QMenu* ansicht = menue_->addMenu(Tr("&Ansicht"));
    add(ansicht, {"ActionDeviceStatus"});
    add(ansicht->addMenu(Tr("&Befehlsleiste")), {kTextAktionen[0], kTextAktionen[1], kTextAktionen[2]});
    add(ansicht->addMenu(Tr("&Schema")), {kThemaAktionen[0], kThemaAktionen[1], kThemaAktionen[2]});
    add(menue_->addMenu(Tr("E&xtras")), {"ActionSettings", "ActionLanguage"});
    add(menue_->addMenu(Tr("Stati&onen")),
        {"ActionStationenDatenbank", "ActionStationenDatenbankReparieren"});
    add(menue_->addMenu(Tr("&Hilfe")), {"ActionHelpContents", "ActionHelpFirstSteps", "-", "ActionHelpInfo"});

    befehlsleiste_->setIconSize(QSize(16, 16));
    for (const char* name : {"ActionConnect", "ActionDisconnect", "-", "ActionSend", "ActionSave",
                             "ActionStop", "-", "ActionSettings", "ActionStationenDatenbank"}) {
        if (*name == '-') {
            befehlsleiste_->addSeparator();
        } else {
            befehlsleiste_->addAction(Action(name));
        }
    }
}

void THauptfenster::BuildAccelerators() {
    for (QAction* action : befehlsleiste_->actions()) {
        const QKeySequence shortcut = ToolbarAccelerator(action->property("Caption").toString());
        if (action->isSeparator() || shortcut.isEmpty()) {
            continue;
        }
        // The toolbar's own key, live only while the window is the active one.
        auto* accelerator = new QShortcut(shortcut, befehlsleiste_);
        accelerator->setObjectName(QStringLiteral("Accelerator") + action->objectName());
        accelerator->setContext(Qt::WindowShortcut);
        connect(accelerator, &QShortcut::activated, action, [action] {
            if (action->isEnabled()) {
                action->trigger();
            }
        });
        action->setToolTip(ToolbarAcceleratorHint(action->iconText(), shortcut));
    }
}

void THauptfenster::LeisteLaden(const TConfig& config) {
    const auto choose = [this](const std::array<const char*, 3>& names, int value) {
        // A value outside the three choices takes the first, as a missing one does.
        Action(names[value >= 0 && value < 3 ? static_cast<std::size_t>(value) : 0])->trigger();
    };
    choose(kThemaAktionen, config.GetToolbarTheme());
    choose(kTextAktionen, config.GetToolbarText());
}

void THauptfenster::LeisteSpeichern(TConfig& config) const {
    config.SetToolbarTheme(Gewaehlt(*this, kThemaAktionen));
    config.SetToolbarText(Gewaehlt(*this, kTextAktionen));
}

void THauptfenster::ThemaUndTextVerbinden() {
    for (std::size_t index = 0; index < kThemaAktionen.size(); ++index) {
        connect(Action(kThemaAktionen[index]), &QAction::triggered, this,
                [this, index] { themaSchalter_.SetTheme(QString::fromLatin1(kThemen[index])); });
    }
    for (std::size_t index = 0; index < kTextAktionen.size(); ++index) {
        connect(Action(kTextAktionen[index]), &QAction::triggered, this, [this, index] {
            befehlsleiste_->setUpdatesEnabled(false);
            LeistenTextSetzen(*befehlsleiste_, static_cast<TLeistenText>(index));
            befehlsleiste_->setUpdatesEnabled(true);
        });
    }
}

} // namespace quarn
