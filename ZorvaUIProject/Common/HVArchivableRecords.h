#pragma once

#include <QList>
#include <QString>
#include <QVariant>
#include <utility>

// Makes the record classes of the suite known to the keyed-archive codec and
// to the text form of values (%@): HVDevice, HVSoftphone, HVBatteryInformation
// and the firmware catalogue records. Idempotent and thread-safe.
//
// Every header that declares one of these records runs it when a translation
// unit including the header is initialised (see kHVArchivableRecordsRegistered),
// so any code that handles a record has them registered before main(); code
// that only unarchives records it never names may call it once at start-up.
void HVRegisterArchivableRecords();

// The text of a record in trace lines, stable and readable:
//   <HVDevice> {
//       name = "Zorva 5200";
//       battery = <HVBatteryInformation> { ... };
//   }
// fields in the order given, strings quoted where the old-style property-list
// text needs it, absent values as (null), nested values indented.
QString HVRecordDescription(const QString& className,
                            const QList<std::pair<QString, QVariant>>& fields, int indent);

namespace hv_detail {
inline const bool kHVArchivableRecordsRegistered = (HVRegisterArchivableRecords(), true);
} // namespace hv_detail
