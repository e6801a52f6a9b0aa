<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr" sourcelanguage="en">
<context>
    <name>Localizable</name>
    <message>
        <source>Update Available</source>
        <translation>Mise à jour disponible</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>Aide</translation>
    </message>
    <message>
        <source>Check for updates</source>
        <translation>Rechercher des mises à jour</translation>
    </message>
    <message>
        <source>Checking...</source>
        <translation>Vérification...</translation>
    </message>
    <message>
        <source>Open Zorva</source>
        <translation>Ouvrir Zorva</translation>
    </message>
    <message>
        <source>Zorva Suite for Mac</source>
        <comment>Product name, also the title of the alerts: kept as it is.</comment>
        <translation>Zorva Suite for Mac</translation>
    </message>
    <message>
        <source>ZorvaPrefError</source>
        <translation>Les réglages de Zorva sont introuvables.</translation>
    </message>
    <message>
        <source>ZorvaPrefErrorMSG</source>
        <translation>Les réglages de Zorva ne sont pas installés sur cet ordinateur. Réinstallez Zorva Suite pour les rétablir.</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Software is up to date.</source>
        <translation>Le logiciel est à jour.</translation>
    </message>
    <message>
        <source>Check for update failed. Try again later or check your Internet Connection.</source>
        <translation>La recherche de mises à jour a échoué. Réessayez plus tard ou vérifiez votre connexion Internet.</translation>
    </message>
    <message>
        <source>Software Update</source>
        <translation>Mise à jour du logiciel</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Fermer</translation>
    </message>
    <message>
        <source>Zorva settings</source>
        <translation>Réglages de Zorva</translation>
    </message>
    <message>
        <source>Not now</source>
        <translation>Plus tard</translation>
    </message>
    <message>
        <source>FWU_Popup_UpdateNow_Btn</source>
        <translation>Mettre à jour</translation>
    </message>
    <message>
        <source>Release notes</source>
        <translation>Nouveautés</translation>
    </message>
    <message>
        <source>Select Language</source>
        <translation>Choisir la langue</translation>
    </message>
    <message>
        <source>Select Region</source>
        <translation>Choisir la région</translation>
    </message>
    <message>
        <source>Firmware_Update_Popup_DevName_Msg</source>
        <translation>Une mise à jour du micrologiciel est disponible pour %@.</translation>
    </message>
    <message>
        <source>Firmware_Update_Popup_Msg</source>
        <translation>Une mise à jour du micrologiciel est disponible.</translation>
    </message>
    <message>
        <source>headset connect txt</source>
        <translation>Laissez le casque connecté et allumé jusqu'à la fin de la mise à jour.</translation>
    </message>
    <message>
        <source>Update</source>
        <translation>Mise à jour</translation>
    </message>
    <message>
        <source>Up-to-date</source>
        <translation>À jour</translation>
    </message>
    <message>
        <source>Unknown</source>
        <translation>Inconnu</translation>
    </message>
    <message>
        <source>charging</source>
        <translation>en charge</translation>
    </message>
    <message>
        <source>BatteryLevelLow</source>
        <translation>faible</translation>
    </message>
    <message>
        <source>BatteryLowSummary</source>
        <translation>%1 : batterie faible</translation>
    </message>
    <message>
        <source>BatteryLowBody</source>
        <translation>Il reste %1 %. Rechargez bientôt le casque.</translation>
    </message>
    <message>
        <source>BatteryLowBodyNoLevel</source>
        <translation>Rechargez bientôt le casque.</translation>
    </message>
</context>
</TS>
