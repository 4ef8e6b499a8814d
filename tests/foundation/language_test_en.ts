<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<context>
    <name>LanguageTest</name>
    <message>
        <source>Guten Tag</source>
        <translation>Good day</translation>
    </message>
</context>
<context>
    <name>TDlgMessage</name>
    <message>
        <source>&amp;Ja</source>
        <translation>&amp;Yes</translation>
    </message>
    <message>
        <source>&amp;Nein</source>
        <translation>&amp;No</translation>
    </message>
    <message>
        <source>&amp;Ok</source>
        <translation>&amp;OK</translation>
    </message>
    <message>
        <source>Abbrechen</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Abbruch</source>
        <translation>Abort</translation>
    </message>
    <message>
        <source>&amp;Wiederholen</source>
        <translation>&amp;Retry</translation>
    </message>
    <message>
        <source>&amp;Ignorieren</source>
        <translation>&amp;Ignore</translation>
    </message>
    <message>
        <source>&amp;Alle</source>
        <translation>&amp;All</translation>
    </message>
    <message>
        <source>&amp;Hilfe</source>
        <translation>&amp;Help</translation>
    </message>
</context>
<context>
    <name>TDlgUnhandledException</name>
    <message>
        <source>Uuups...</source>
        <translation>Oops...</translation>
    </message>
    <message>
        <source>Folgender Fehler ist aufgetreten:</source>
        <translation>The following error occurred:</translation>
    </message>
    <message>
        <source>Dieser Fehler kann sich negativ auf den weiteren Ablauf von Quarn auswirken. Es wird daher empfohlen, Quarn möglichst bald zu beenden und neu zu starten.</source>
        <translation>This error may affect how Quarn goes on. Please end Quarn and start it again soon.</translation>
    </message>
    <message>
        <source>Fehler &amp;ignorieren</source>
        <translation>&amp;Ignore error</translation>
    </message>
    <message>
        <source>Quarn &amp;beenden</source>
        <translation>&amp;Quit Quarn</translation>
    </message>
    <message>
        <source>Fehlermeldung in die Zwischenablage &amp;kopieren</source>
        <translation>&amp;Copy the report to the clipboard</translation>
    </message>
</context>
<context>
    <name>TDlgSplash</name>
    <message>
        <source>Nicht zur Weitergabe bestimmt</source>
        <translation>Not for distribution</translation>
    </message>
</context>
</TS>
