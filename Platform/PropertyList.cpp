#include "Platform/PropertyList.h"

#include "Platform/AtomicFile.h"
#include "Platform/PropertyListDepth.h"

#include <QDateTime>
#include <QFile>
#include <QTimeZone>
#include <cstdlib>
#include <limits>
#include <memory>
#include <plist/plist.h>

namespace platform::plist {

namespace {

// Seconds between the Unix epoch and the property-list epoch (2001-01-01 UTC).
constexpr qint64 kPlistEpochOffset = 978307200;

struct NodeDeleter {
    void operator()(void* node) const { plist_free(static_cast<plist_t>(node)); }
};
using Node = std::unique_ptr<void, NodeDeleter>;

struct MallocDeleter {
    void operator()(char* p) const { std::free(p); }
};
using CString = std::unique_ptr<char, MallocDeleter>;

QVariant toVariant(plist_t node, int depth, bool* ok) {
    if (node == nullptr || depth > kMaxDepth) {
        *ok = false;
        return {};
    }
    switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
        uint8_t b = 0;
        plist_get_bool_val(node, &b);
        return QVariant(b != 0);
    }
    case PLIST_UINT: {
        uint64_t v = 0;
        plist_get_uint_val(node, &v);
        if (v <= static_cast<uint64_t>(std::numeric_limits<qint64>::max())) {
            return QVariant(static_cast<qint64>(v));
        }
        return QVariant(static_cast<quint64>(v));
    }
    case PLIST_REAL: {
        double d = 0;
        plist_get_real_val(node, &d);
        return QVariant(d);
    }
    case PLIST_STRING:
    case PLIST_KEY: {
        char* raw = nullptr;
        if (plist_get_node_type(node) == PLIST_KEY) {
            plist_get_key_val(node, &raw);
        } else {
            plist_get_string_val(node, &raw);
        }
        CString s(raw);
        return QVariant(QString::fromUtf8(s ? s.get() : ""));
    }
    case PLIST_DATA: {
        char* raw = nullptr;
        uint64_t length = 0;
        plist_get_data_val(node, &raw, &length);
        CString d(raw);
        return QVariant(QByteArray(d ? d.get() : "", d ? static_cast<qsizetype>(length) : 0));
    }
    case PLIST_DATE: {
        int32_t sec = 0;
        int32_t usec = 0;
        plist_get_date_val(node, &sec, &usec);
        const qint64 ms = (static_cast<qint64>(sec) + kPlistEpochOffset) * 1000 + usec / 1000;
        return QVariant(QDateTime::fromMSecsSinceEpoch(ms, QTimeZone::utc()));
    }
    case PLIST_UID: {
        uint64_t v = 0;
        plist_get_uid_val(node, &v);
        return QVariant::fromValue(PlistUid{v});
    }
    case PLIST_ARRAY: {
        QVariantList list;
        const uint32_t n = plist_array_get_size(node);
        list.reserve(static_cast<qsizetype>(n));
        for (uint32_t i = 0; i < n; ++i) {
            QVariant item = toVariant(plist_array_get_item(node, i), depth + 1, ok);
            if (!*ok) {
                return {};
            }
            list.append(std::move(item));
        }
        return QVariant(std::move(list));
    }
    case PLIST_DICT: {
        QVariantMap map;
        plist_dict_iter it = nullptr;
        plist_dict_new_iter(node, &it);
        std::unique_ptr<void, decltype(&std::free)> iterGuard(it, &std::free);
        for (;;) {
            char* rawKey = nullptr;
            plist_t value = nullptr;
            plist_dict_next_item(node, it, &rawKey, &value);
            CString key(rawKey);
            if (value == nullptr) {
                break;
            }
            QVariant v = toVariant(value, depth + 1, ok);
            if (!*ok) {
                return {};
            }
            map.insert(QString::fromUtf8(key ? key.get() : ""), std::move(v));
        }
        return QVariant(std::move(map));
    }
    default:
        *ok = false;
        return {};
    }
}

Node fromVariant(const QVariant& value, int depth) {
    if (depth > kMaxDepth) {
        return nullptr;
    }
    switch (value.typeId()) {
    case QMetaType::Bool:
        return Node(plist_new_bool(value.toBool() ? 1 : 0));
    case QMetaType::Int:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::Char:
    case QMetaType::SChar:
        return Node(plist_new_uint(static_cast<uint64_t>(value.toLongLong())));
    case QMetaType::UInt:
    case QMetaType::ULong:
    case QMetaType::ULongLong:
    case QMetaType::UShort:
    case QMetaType::UChar:
        return Node(plist_new_uint(value.toULongLong()));
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
        const qint64 ms = value.toDateTime().toMSecsSinceEpoch() - kPlistEpochOffset * 1000;
        qint64 sec = ms / 1000;
        qint64 rem = ms % 1000;
        if (rem < 0) {
            rem += 1000;
            --sec;
        }
        return Node(plist_new_date(static_cast<int32_t>(sec), static_cast<int32_t>(rem * 1000)));
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

QVariant fromData(const QByteArray& bytes) {
    if (bytes.isEmpty() || bytes.size() > std::numeric_limits<int32_t>::max() ||
        !nestingWithin(bytes, kMaxDepth)) {
        return {};
    }
    plist_t raw = nullptr;
    const auto length = static_cast<uint32_t>(bytes.size());
    if (plist_is_binary(bytes.constData(), length)) {
        plist_from_bin(bytes.constData(), length, &raw);
    } else {
        plist_from_xml(bytes.constData(), length, &raw);
    }
    Node root(raw);
    if (!root) {
        return {};
    }
    bool ok = true;
    QVariant value = toVariant(root.get(), 0, &ok);
    return ok ? value : QVariant();
}

QByteArray toData(const QVariant& value, Format format) {
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
