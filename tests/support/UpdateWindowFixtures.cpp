#include "UpdateWindowFixtures.h"

namespace testsupport {

QVariantMap deviceEntry(const QString& name, const QString& productId, int state) {
    return {{"componentNameKey", name},
            {"ProdIdKey", productId},
            {"UpdateStatusKey", state},
            {"currentVersionKey", "1.0.0"},
            {"AvailableVersionKey", "1.2.0"},
            {"LocIdKey", quint64(336592896)},
            {"downloadURLKey", "https://updates.zorva.example/fw/" + productId},
            {"releaseNotesURLKey", "https://updates.zorva.example/notes/" + productId}};
}

QVariant languageList(const QList<QPair<QString, QString>>& namesAndCodes) {
    QVariantList list;
    for (const auto& [name, code] : namesAndCodes) {
        auto record = std::make_shared<HVXmlLanguageInfo>();
        record->setLanguageName(name);
        if (!code.isNull()) {
            record->setLanguageCode(code);
        }
        record->setFirmwareFileName(name + ".bin");
        list.append(QVariant::fromValue(record));
    }
    return list;
}

QVariant buildWithRegions(const QList<QPair<QString, QString>>& namesAndIds) {
    QVariantList regions;
    for (const auto& [name, id] : namesAndIds) {
        auto region = std::make_shared<HVXmlBuildVectorRegionInfo>();
        region->setRegionName(name);
        region->setRegionId(id);
        regions.append(QVariant::fromValue(region));
    }
    auto build = HVXmlBuildVectorInfo::init();
    build->setAvailableRegionInfo(regions);
    build->setFirmwareFileNames(QVariantMap{{"base", "base-1.2.0.bin"}});
    return QVariant::fromValue(build);
}

HVComponentList entries(const QList<QVariantMap>& maps) {
    HVComponentList list;
    for (const QVariantMap& map : maps) {
        list.append(HVComponentUpdateList::makeEntry(map));
    }
    return list;
}

} // namespace testsupport
