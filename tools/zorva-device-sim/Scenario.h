#pragma once

#include "ZorvaUIProject/Common/HVDevice.h"
#include "ZorvaUIProject/Common/HVSoftphone.h"

#include <QHash>
#include <QJsonValue>
#include <QList>
#include <QString>
#include <QVariant>
#include <optional>

// What the simulated device service knows and answers, read from a JSON file
// (docs/device-service-simulator.md gives the format). Devices and softphones
// change as the simulator sends attach, detach, battery and softphone callbacks.
struct Scenario {
    QList<HVDevicePtr> devices;
    QList<HVSoftphonePtr> softphones;
    QVariant updateAvailable; // a string, or invalid for no object
    QVariant componentList;   // a QVariantList of component dictionaries, or invalid
    // Keyed by "<productID>:<locationID>".
    QHash<QString, QVariant> errorReports;
    QHash<QString, bool> autoPairing;
    QHash<QString, QVariant> dbRecords;
    QHash<QString, QVariant> searchLists;
    QHash<QString, QVariant> pairingLists;
    // What a requested update check reports back: "list" (the component list),
    // "status:<n>" (sendCheckForUpdateStatus:) or "none".
    QString manualCheck = QStringLiteral("list");
    QString autoCheck = QStringLiteral("list");
    // Answers sent as they stand instead of the scenario's value: the bytes of
    // the "ay" answer (base64 in the file), or, for a JSON null, a reply without
    // arguments. For testing clients against bad answers.
    QHash<QString, std::optional<QByteArray>> rawAnswers;

    static QString deviceKey(const QString& productID, qint64 locationId);

    // The scenario in a file; nothing, with the reason in *error, when the file
    // cannot be read or is not a scenario.
    static std::optional<Scenario> load(const QString& path, QString* error);
    static std::optional<Scenario> fromJson(const QByteArray& json, QString* error);
};

// A JSON value as the Qt value the keyed archive writes: integers as qint64,
// objects as dictionaries, "LocIdKey" (a number or a decimal string, for values
// beyond 2^53) as quint64, and the catalogue records under "languageInfo" and
// "buildVectorInfo".
QVariant scenarioValue(const QJsonValue& value, const QString& key = QString());
