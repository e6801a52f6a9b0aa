#pragma once

#include "ZorvaUIProject/Common/HVArchivableRecords.h"

#include <QMetaType>
#include <QString>
#include <memory>

namespace platform {
class KeyedArchiver;
class KeyedUnarchiver;
} // namespace platform

class HVSoftphone;
using HVSoftphonePtr = std::shared_ptr<HVSoftphone>;

// A softphone application found by the device service. Archived as class
// "HVSoftphone" under "state" and "subcategory" (the name); cpname is not
// archived.
class HVSoftphone {
public:
    // A zero-filled record: no names, state 0.
    HVSoftphone() = default;

    // state and name from the arguments, cpname "" (empty, not absent).
    static HVSoftphonePtr initSoftphone(const QString& name, qint32 softphoneState);

    QString name() const { return softphone; }
    void setName(const QString& value) { softphone = value; }
    QString cpname() const { return cpsoftphone; }
    void setCpname(const QString& value) { cpsoftphone = value; }
    qint32 state() const { return softphoneState; }
    // The states the service reports for a softphone that is not there to be
    // chosen (2, 7, 9): such softphones stay in the registry but not in the menu.
    static constexpr bool isHiddenState(qint32 state) {
        return state == 2 || state == 7 || state == 9;
    }
    void setState(qint32 value) { softphoneState = value; }

    void encodeWithCoder(platform::KeyedArchiver& coder) const;
    static HVSoftphonePtr initWithCoder(platform::KeyedUnarchiver& coder);

    // The text of the record in trace lines (%@).
    QString description(int indent = 0) const;

private:
    QString softphone;
    QString cpsoftphone;
    qint32 softphoneState = 0;
};

Q_DECLARE_METATYPE(HVSoftphonePtr)
