<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de" sourcelanguage="en">
<context>
    <name>Localizable</name>
    <message>
        <source>Update Available</source>
        <translation>Update verfügbar</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>Hilfe</translation>
    </message>
    <message>
        <source>Check for updates</source>
        <translation>Nach Updates suchen</translation>
    </message>
    <message>
        <source>Checking...</source>
        <translation>Wird geprüft...</translation>
    </message>
    <message>
        <source>Open Zorva</source>
        <translation>Zorva öffnen</translation>
    </message>
    <message>
        <source>Zorva Suite for Mac</source>
        <comment>Product name, also the title of the alerts: kept as it is.</comment>
        <translation>Zorva Suite for Mac</translation>
    </message>
    <message>
        <source>ZorvaPrefError</source>
        <translation>Die Zorva-Einstellungen wurden nicht gefunden.</translation>
    </message>
    <message>
        <source>ZorvaPrefErrorMSG</source>
        <translation>Die Zorva-Einstellungen sind auf diesem Computer nicht installiert. Installieren Sie die Zorva Suite erneut, um sie wiederherzustellen.</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Software is up to date.</source>
        <translation>Die Software ist auf dem neuesten Stand.</translation>
    </message>
    <message>
        <source>Check for update failed. Try again later or check your Internet Connection.</source>
        <translation>Die Suche nach Updates ist fehlgeschlagen. Versuchen Sie es später erneut oder prüfen Sie Ihre Internetverbindung.</translation>
    </message>
    <message>
        <source>Software Update</source>
        <translation>Softwareaktualisierung</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>Zorva settings</source>
        <translation>Zorva-Einstellungen</translation>
    </message>
    <message>
        <source>Not now</source>
        <translation>Nicht jetzt</translation>
    </message>
    <message>
        <source>FWU_Popup_UpdateNow_Btn</source>
        <translation>Aktualisieren</translation>
    </message>
    <message>
        <source>Release notes</source>
        <translation>Neuerungen</translation>
    </message>
    <message>
        <source>Select Language</source>
        <translation>Sprache auswählen</translation>
    </message>
    <message>
        <source>Select Region</source>
        <translation>Region auswählen</translation>
    </message>
    <message>
        <source>Firmware_Update_Popup_DevName_Msg</source>
        <translation>Für %@ ist ein Firmware-Update verfügbar.</translation>
    </message>
    <message>
        <source>Firmware_Update_Popup_Msg</source>
        <translation>Ein Firmware-Update ist verfügbar.</translation>
    </message>
    <message>
        <source>headset connect txt</source>
        <translation>Lassen Sie das Headset verbunden und eingeschaltet, bis die Aktualisierung abgeschlossen ist.</translation>
    </message>
    <message>
        <source>Update</source>
        <translation>Update</translation>
    </message>
    <message>
        <source>Up-to-date</source>
        <translation>Aktuell</translation>
    </message>
    <message>
        <source>Unknown</source>
        <translation>Unbekannt</translation>
    </message>
    <message>
        <source>charging</source>
        <translation>lädt</translation>
    </message>
    <message>
        <source>BatteryLevelLow</source>
        <translation>schwach</translation>
    </message>
    <message>
        <source>BatteryLowSummary</source>
        <translation>%1: Akku schwach</translation>
    </message>
    <message>
        <source>BatteryLowBody</source>
        <translation>Noch %1 %. Laden Sie das Headset bald auf.</translation>
    </message>
    <message>
        <source>BatteryLowBodyNoLevel</source>
        <translation>Laden Sie das Headset bald auf.</translation>
    </message>
</context>
</TS>
