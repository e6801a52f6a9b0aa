<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<context>
    <name>Localizable</name>
    <message>
        <source>Update Available</source>
        <translation>Update Available</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>Help</translation>
    </message>
    <message>
        <source>Check for updates</source>
        <translation>Check for updates</translation>
    </message>
    <message>
        <source>Checking...</source>
        <translation>Checking...</translation>
    </message>
    <message>
        <source>Open Zorva</source>
        <translation>Open Zorva</translation>
    </message>
    <message>
        <source>Zorva Suite for Mac</source>
        <translation>Zorva Suite for Mac</translation>
    </message>
    <message>
        <source>ZorvaPrefError</source>
        <translation>Zorva settings could not be found.</translation>
    </message>
    <message>
        <source>ZorvaPrefErrorMSG</source>
        <translation>The Zorva settings are not installed on this computer. Install Zorva Suite again to restore them.</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Software is up to date.</source>
        <translation>Software is up to date.</translation>
    </message>
    <message>
        <source>Check for update failed. Try again later or check your Internet Connection.</source>
        <translation>Check for update failed. Try again later or check your Internet Connection.</translation>
    </message>
    <message>
        <source>Software Update</source>
        <translation>Software Update</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>Zorva settings</source>
        <translation>Zorva settings</translation>
    </message>
    <message>
        <source>Not now</source>
        <translation>Not now</translation>
    </message>
    <message>
        <source>FWU_Popup_UpdateNow_Btn</source>
        <translation>Update now</translation>
    </message>
    <message>
        <source>Release notes</source>
        <translation>Release notes</translation>
    </message>
    <message>
        <source>Select Language</source>
        <translation>Select Language</translation>
    </message>
    <message>
        <source>Select Region</source>
        <translation>Select Region</translation>
    </message>
    <message>
        <source>Firmware_Update_Popup_DevName_Msg</source>
        <translation>A firmware update is available for %@.</translation>
    </message>
    <message>
        <source>Firmware_Update_Popup_Msg</source>
        <translation>A firmware update is available.</translation>
    </message>
    <message>
        <source>headset connect txt</source>
        <translation>Keep the headset connected and switched on until the update has finished.</translation>
    </message>
    <message>
        <source>Update</source>
        <translation>Update</translation>
    </message>
    <message>
        <source>Up-to-date</source>
        <translation>Up-to-date</translation>
    </message>
    <message>
        <source>Unknown</source>
        <translation>Unknown</translation>
    </message>
    <message>
        <source>charging</source>
        <translation>charging</translation>
    </message>
    <message>
        <source>BatteryLevelLow</source>
        <translation>low</translation>
    </message>
    <message>
        <source>BatteryLowSummary</source>
        <translation>%1: battery low</translation>
    </message>
    <message>
        <source>BatteryLowBody</source>
        <translation>%1% left. Charge the headset soon.</translation>
    </message>
    <message>
        <source>BatteryLowBodyNoLevel</source>
        <translation>Charge the headset soon.</translation>
    </message>
</context>
</TS>
