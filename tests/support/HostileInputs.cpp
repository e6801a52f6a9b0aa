#include "support/HostileInputs.h"

#include "Platform/plist/BinaryPropertyListReader.h"
#include "Platform/plist/BinaryPropertyListWriter.h"
#include "Platform/plist/PropertyList.h"

#include <plist/plist.h>

namespace testsupport {

QVariant uid(quint64 n) {
    return QVariant::fromValue(platform::PlistUid{n});
}

QVariantMap classNamed(const QString& name) {
    return {{"$classname", name}, {"$classes", QVariantList{name, "NSObject"}}};
}

QByteArray keyedArchive(const QVariantList& objects, const QVariant& root) {
    return platform::plist::toData(QVariantMap{{"$archiver", "NSKeyedArchiver"},
                                               {"$version", 100000},
                                               {"$top", QVariantMap{{"root", root}}},
                                               {"$objects", QVariantList{"$null"} + objects}},
                                   platform::plist::Format::Binary);
}

QByteArray closingsHiddenIn(const QByteArray& before, const QByteArray& after) {
    constexpr int n = 200000;
    return "<plist>" + before + QByteArray("</array>").repeated(n) + after +
           QByteArray("<array>").repeated(n) + QByteArray("</array>").repeated(n) + "</plist>";
}

QByteArray sharedChildren(int levels) {
    platform::plist::BinaryPropertyListWriter out;
    auto node = out.string(QStringLiteral("a"));
    for (int i = 0; i < levels; ++i) {
        const auto pair = out.array();
        out.append(pair, node);
        out.append(pair, node);
        node = pair;
    }
    return out.finish(node);
}

QByteArray nestedDeviceLists(int n, int levels) {
    QByteArray inner;
    for (int level = 0; level < levels; ++level) {
        // "$null", the list, its class, the device class, n devices, the data.
        QVariantList refs;
        QVariantList devices;
        for (int i = 0; i < n; ++i) {
            refs.append(uid(4 + i));
            QVariantMap device{{"$class", uid(3)}, {"headsettype", i}};
            if (!inner.isEmpty()) {
                device.insert("encodedBatteryInfo", uid(4 + n));
            }
            devices.append(device);
        }
        QVariantList objects{QVariantMap{{"$class", uid(2)}, {"NS.objects", refs}},
                             classNamed("NSArray"), classNamed("HVDevice")};
        objects += devices;
        if (!inner.isEmpty()) {
            objects.append(inner);
        }
        inner = keyedArchive(objects);
    }
    return inner;
}

QByteArray longObjectTable(int n) {
    platform::plist::BinaryPropertyListWriter out;
    const auto objects = out.array();
    const auto text = out.string(QStringLiteral("x"));
    out.append(objects, out.string(QStringLiteral("$null")));
    for (int i = 0; i < n; ++i) {
        out.append(objects, text);
    }
    const auto top = out.dictionary();
    out.insert(top, out.string(QStringLiteral("$archiver")),
               out.string(QStringLiteral("NSKeyedArchiver")));
    const auto root = out.dictionary();
    out.insert(root, out.string(QStringLiteral("root")), out.uid(1));
    out.insert(top, out.string(QStringLiteral("$top")), root);
    out.insert(top, out.string(QStringLiteral("$objects")), objects);
    return out.finish(top);
}

QVariant libplistReading(const QByteArray& bytes) {
    plist_t root = nullptr;
    plist_from_memory(bytes.constData(), static_cast<uint32_t>(bytes.size()), &root);
    char* out = nullptr;
    uint32_t length = 0;
    if (root != nullptr) {
        plist_to_bin(root, &out, &length);
        plist_free(root);
    }
    const QByteArray binary(out, static_cast<qsizetype>(length));
    plist_to_bin_free(out);
    return platform::plist::BinaryPropertyListReader(binary).toVariant();
}

} // namespace testsupport
