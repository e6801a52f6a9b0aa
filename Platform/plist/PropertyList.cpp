#include "Platform/plist/PropertyList.h"

#include "Platform/AtomicFile.h"
#include "Platform/plist/BinaryPropertyListReader.h"
#include "Platform/plist/Libplist.h"
#include "Platform/plist/PropertyListDepth.h"
#include "Platform/plist/PropertyListXml.h"

#include <QDateTime>
#include <QFile>
#include <QTimeZone>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <memory>
#include <plist/plist.h>

namespace platform::plist {

namespace {

// Seconds between the Unix epoch and the property-list epoch (2001-01-01 UTC).
constexpr qint64 kPlistEpochOffset = 978307200;

// The range of dates kept: the years 1 to 9999.
qint64 firstDateMSecs() {
    static const qint64 ms =
        QDateTime(QDate(1, 1, 1), QTime(0, 0), QTimeZone::utc()).toMSecsSinceEpoch();
    return ms;
}

qint64 lastDateMSecs() {
    static const qint64 ms =
        QDateTime(QDate(9999, 12, 31), QTime(23, 59, 59, 999), QTimeZone::utc())
            .toMSecsSinceEpoch();
    return ms;
}

Node fromVariant(const QVariant& value, int depth) {
    if (depth > kMaxDepth) {
        return nullptr;
    }
    if (const auto bits = integerBits(value)) {
        return Node(plist_new_uint(*bits));
    }
    switch (value.typeId()) {
    case QMetaType::Bool:
        return Node(plist_new_bool(value.toBool() ? 1 : 0));
    case QMetaType::Double:
    case QMetaType::Float:
        return Node(plist_new_real(value.toDouble()));
    case QMetaType::QString:
        return Node(plist_new_string(value.toString().toUtf8().constData()));
    case QMetaType::QByteArray: {
        const QByteArray bytes = value.toByteArray();
        return Node(plist_new_data(bytes.constData(), static_cast<uint64_t>(bytes.size())));
    }
    case QMetaType::QDateTime: {
        // libplist takes whole seconds as 32 bits: a date it cannot hold is
        // refused rather than written wrapped.
        const QDateTime date = value.toDateTime();
        const double seconds = secondsFromDate(date);
        const double whole = std::floor(seconds);
        if (!date.isValid() || !(whole >= std::numeric_limits<int32_t>::min() &&
                                 whole <= std::numeric_limits<int32_t>::max())) {
            return nullptr;
        }
        const auto usec = std::min<long>(999999, std::lround((seconds - whole) * 1e6));
        return Node(plist_new_date(static_cast<int32_t>(whole), static_cast<int32_t>(usec)));
    }
    case QMetaType::QVariantList:
    case QMetaType::QStringList: {
        Node array(plist_new_array());
        for (const QVariant& item : value.toList()) {
            Node child = fromVariant(item, depth + 1);
            if (!child) {
                return nullptr;
            }
            plist_array_append_item(array.get(), child.release());
        }
        return array;
    }
    case QMetaType::QVariantMap: {
        Node dict(plist_new_dict());
        const QVariantMap map = value.toMap();
        for (auto it = map.cbegin(); it != map.cend(); ++it) {
            Node child = fromVariant(it.value(), depth + 1);
            if (!child) {
                return nullptr;
            }
            plist_dict_set_item(dict.get(), it.key().toUtf8().constData(), child.release());
        }
        return dict;
    }
    default:
        if (value.typeId() == qMetaTypeId<PlistUid>()) {
            return Node(plist_new_uid(value.value<PlistUid>().value));
        }
        return nullptr;
    }
}

} // namespace

std::optional<QDateTime> dateFromSeconds(double secondsSince2001) {
    const double ms = std::round(secondsSince2001 * 1000.0) + double(kPlistEpochOffset) * 1000.0;
    if (!(ms >= double(firstDateMSecs()) && ms <= double(lastDateMSecs()))) {
        return std::nullopt;
    }
    return QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(ms), QTimeZone::utc());
}

double secondsFromDate(const QDateTime& date) {
    return static_cast<double>(date.toMSecsSinceEpoch() - kPlistEpochOffset * 1000) / 1000.0;
}

QVariant fromData(const QByteArray& bytes) {
    if (bytes.isEmpty() || bytes.size() > std::numeric_limits<int32_t>::max()) {
        return {};
    }
    if (bytes.startsWith("bplist00")) {
        return BinaryPropertyListReader(bytes).toVariant();
    }
    QVariant value = xml::parse(bytes);
    if (value.isValid()) {
        return value;
    }
    if (bytes.contains('\0') || !nestingWithin(bytes, kMaxDepth)) {
        return {};
    }
    // XML that libplist has parsed is read through its binary form.
    return BinaryPropertyListReader(binaryFromXml(bytes)).toVariant();
}

QByteArray toData(const QVariant& value, Format format) {
    if (format == Format::Xml) {
        QByteArray bytes = xml::serialize(value);
        if (!bytes.isEmpty()) {
            return bytes;
        }
    }
    Node root = fromVariant(value, 0);
    if (!root) {
        return {};
    }
    char* out = nullptr;
    uint32_t length = 0;
    QByteArray bytes;
    if (format == Format::Xml) {
        plist_to_xml(root.get(), &out, &length);
        if (out != nullptr) {
            bytes = QByteArray(out, static_cast<qsizetype>(length));
            plist_to_xml_free(out);
        }
    } else {
        plist_to_bin(root.get(), &out, &length);
        if (out != nullptr) {
            bytes = QByteArray(out, static_cast<qsizetype>(length));
            plist_to_bin_free(out);
        }
    }
    return bytes;
}

QVariant readFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return fromData(file.readAll());
}

std::optional<QVariantMap> readDictionary(const QString& path) {
    const QVariant value = readFile(path);
    if (value.typeId() != QMetaType::QVariantMap) {
        return std::nullopt;
    }
    return value.toMap();
}

bool writeFile(const QString& path, const QVariant& value, Format format) {
    const QByteArray bytes = toData(value, format);
    if (bytes.isEmpty()) {
        return false;
    }
    return writeFileAtomically(path, bytes);
}

} // namespace platform::plist
