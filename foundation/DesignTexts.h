#pragma once

#include <QCoreApplication>
#include <QString>

// Every text a person sees (captions, labels, messages, hints) is translated under the design name of
// the class that shows it: "TDlgMessage", never "quarn::TDlgMessage" nor the name of a Qt base class, so
// one language bundle translates the whole program. QObject::tr is not used for that reason: its context
// carries the C++ namespace, and in a class without Q_OBJECT it is the Qt base class's name.
//
// A class names itself once, inside its declaration, and shows its texts through Tr():
//
//     class TDlgMessage : public QDialog {
//         QUARN_DESIGN_TEXTS(TDlgMessage)
//         ...
//     };
//     label->setText(Tr("Folgender Fehler ist aufgetreten:"));
//
// A text kept in a table outside the class is marked QT_TRANSLATE_NOOP("TDlgMessage", "&Ja") and shown
// through Tr() as well. For lupdate: -tr-function-alias Q_DECLARE_TR_FUNCTIONS+=QUARN_DESIGN_TEXTS,tr+=Tr
#define QUARN_DESIGN_TEXTS(DesignName)                                                                       \
public:                                                                                                      \
    static QString Tr(const char* text) {                                                                    \
        return QCoreApplication::translate(#DesignName, text);                                               \
    }                                                                                                        \
                                                                                                             \
private:
