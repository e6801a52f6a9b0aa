#include "ZorvaUIProject/Common/HVArchivableRecords.h"

#include "FWUCommon/FWUXMLToDataModel/HVXmlModelData.h"
#include "Platform/ObjectDescription.h"
#include "Platform/archive/KeyedArchive.h"
#include "ZorvaUIProject/Common/HVBatteryInformation.h"
#include "ZorvaUIProject/Common/HVDevice.h"
#include "ZorvaUIProject/Common/HVSoftphone.h"

#include <mutex>

void HVRegisterArchivableRecords() {
    static std::once_flag once;
    std::call_once(once, [] {
        platform::registerArchivableRecord<HVDevice>(QStringLiteral("HVDevice"));
        platform::registerArchivableRecord<HVSoftphone>(QStringLiteral("HVSoftphone"));
        platform::registerArchivableRecord<HVBatteryInformation>(
            QStringLiteral("HVBatteryInformation"));
        platform::registerArchivableRecord<HVXmlDataVectorInfo>(
            QStringLiteral("HVXmlDataVectorInfo"));
        platform::registerArchivableRecord<HVXmlLanguageInfo>(QStringLiteral("HVXmlLanguageInfo"));
        platform::registerArchivableRecord<HVXmlDictionaryInfo>(
            QStringLiteral("HVXmlDictionaryInfo"));
        platform::registerArchivableRecord<HVXmlBuildVectorInfo>(
            QStringLiteral("HVXmlBuildVectorInfo"));
        platform::registerArchivableRecord<HVXmlBuildVectorRegionInfo>(
            QStringLiteral("HVXmlBuildVectorRegionInfo"));
        platform::registerArchivableRecord<HVXmlBuildVectorTunesInfo>(
            QStringLiteral("HVXmlBuildVectorTunesInfo"));
    });
}

QString HVRecordDescription(const QString& className,
                            const QList<std::pair<QString, QVariant>>& fields, int indent) {
    const QString pad(indent * 4, u' ');
    const QString inner((indent + 1) * 4, u' ');
    QString out = u'<' + className + QStringLiteral("> {\n");
    for (const auto& [name, value] : fields) {
        QString text;
        if (value.typeId() == QMetaType::QString && !value.toString().isNull()) {
            text = platform::quotedPropertyListString(value.toString());
        } else {
            text = platform::describeIndented(value, indent + 1);
        }
        out += inner + name + QStringLiteral(" = ") + text + QStringLiteral(";\n");
    }
    return out + pad + u'}';
}
