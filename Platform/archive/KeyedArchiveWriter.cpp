#include "Platform/archive/KeyedArchiveInternal.h"
#include "Platform/plist/BinaryPropertyListWriter.h"
#include "Platform/plist/Libplist.h"
#include "Platform/plist/PropertyList.h"

#include <QHash>
#include <cmath>
#include <optional>
#include <vector>

namespace platform {

using detail::classForType;
using detail::entryTypeId;
using detail::trace;

namespace {

QString typeName(const QVariant& value) {
    const char* name = value.typeName();
    return QString::fromLatin1(name != nullptr ? name : "unknown");
}

} // namespace

// ---------------------------------------------------------------------------
// Writing.

namespace detail {

class ArchiveWriter {
public:
    using Ref = plist::BinaryPropertyListWriter::Ref;

    ArchiveWriter() { m_objects.push_back(m_out.string(QStringLiteral("$null"))); }

    // The UID of the value, writing it first when it is new; 0 for absent.
    uint64_t encode(const QVariant& value) {
        if (m_failed) {
            return 0;
        }
        if (m_depth >= kMaxArchiveDepth) {
            fail(QStringLiteral("archivedDataWithRootObject : objects nested deeper than %1")
                     .arg(kMaxArchiveDepth));
            return 0;
        }
        ++m_depth;
        const uint64_t uid = encodeValue(value);
        --m_depth;
        return uid;
    }

    // The finished archive as a binary property list; empty after a failure.
    QByteArray finish(uint64_t rootUid) {
        if (m_failed) {
            return {};
        }
        const Ref top = m_out.dictionary();
        m_out.insert(top, m_out.string(QStringLiteral("$version")), m_out.integer(100000));
        m_out.insert(top, m_out.string(QStringLiteral("$archiver")),
                     m_out.string(QStringLiteral("NSKeyedArchiver")));
        const Ref topDict = m_out.dictionary();
        m_out.insert(topDict, m_out.string(QStringLiteral("root")), m_out.uid(rootUid));
        m_out.insert(top, m_out.string(QStringLiteral("$top")), topDict);
        const Ref objects = m_out.array();
        for (Ref object : m_objects) {
            m_out.append(objects, object);
        }
        m_out.insert(top, m_out.string(QStringLiteral("$objects")), objects);
        return m_out.finish(top);
    }

    bool failed() const { return m_failed; }

    void fail(const QString& message) {
        if (!m_failed) {
            trace(message);
        }
        m_failed = true;
    }

    // A key of an archived object's dictionary.
    void setItem(Ref object, const QString& key, Ref value) {
        m_out.insert(object, m_out.string(key), value);
    }
    plist::BinaryPropertyListWriter& out() { return m_out; }

private:
    uint64_t append(Ref object) {
        m_objects.push_back(object);
        return m_objects.size() - 1;
    }

    uint64_t classUid(const QString& name, const QStringList& classes) {
        const auto found = m_classUids.constFind(name);
        if (found != m_classUids.cend()) {
            return found.value();
        }
        const Ref dict = m_out.dictionary();
        const Ref list = m_out.array();
        for (const QString& c : classes) {
            m_out.append(list, m_out.string(c));
        }
        m_out.insert(dict, m_out.string(QStringLiteral("$classes")), list);
        m_out.insert(dict, m_out.string(QStringLiteral("$classname")), m_out.string(name));
        const uint64_t uid = append(dict);
        m_classUids.insert(name, uid);
        return uid;
    }

    // A new dictionary object of a class, already in "$objects".
    Ref newObject(const QString& name, const QStringList& classes, uint64_t* uid) {
        const uint64_t cls = classUid(name, classes);
        const Ref dict = m_out.dictionary();
        *uid = append(dict);
        m_out.insert(dict, m_out.string(QStringLiteral("$class")), m_out.uid(cls));
        return dict;
    }

    uint64_t encodeString(const QString& text) {
        if (text.isNull()) {
            return 0;
        }
        const auto found = m_stringUids.constFind(text);
        if (found != m_stringUids.cend()) {
            return found.value();
        }
        const uint64_t uid = append(m_out.string(text));
        m_stringUids.insert(text, uid);
        return uid;
    }

    uint64_t encodeList(const QVariantList& list) {
        static const QStringList classes{QStringLiteral("NSMutableArray"),
                                         QStringLiteral("NSArray"), QStringLiteral("NSObject")};
        uint64_t uid = 0;
        const Ref dict = newObject(classes.first(), classes, &uid);
        const Ref objects = m_out.array();
        m_out.insert(dict, m_out.string(QStringLiteral("NS.objects")), objects);
        for (const QVariant& item : list) {
            const uint64_t child = encode(item);
            if (m_failed) {
                return 0;
            }
            m_out.append(objects, m_out.uid(child));
        }
        return uid;
    }

    uint64_t encodeMap(const QVariantMap& map) {
        static const QStringList classes{QStringLiteral("NSMutableDictionary"),
                                         QStringLiteral("NSDictionary"),
                                         QStringLiteral("NSObject")};
        uint64_t uid = 0;
        const Ref dict = newObject(classes.first(), classes, &uid);
        const Ref keys = m_out.array();
        const Ref objects = m_out.array();
        m_out.insert(dict, m_out.string(QStringLiteral("NS.keys")), keys);
        m_out.insert(dict, m_out.string(QStringLiteral("NS.objects")), objects);
        for (auto it = map.cbegin(); it != map.cend(); ++it) {
            const uint64_t key = encodeString(it.key());
            const uint64_t value = encode(it.value());
            if (m_failed) {
                return 0;
            }
            m_out.append(keys, m_out.uid(key));
            m_out.append(objects, m_out.uid(value));
        }
        return uid;
    }

    uint64_t encodeValue(const QVariant& value) {
        if (!value.isValid()) {
            return 0;
        }
        // Written as the 64 bits; the format reads them signed.
        if (const auto bits = plist::integerBits(value)) {
            return append(m_out.integer(static_cast<int64_t>(*bits)));
        }
        switch (value.typeId()) {
        case QMetaType::QString:
            return encodeString(value.toString());
        case QMetaType::Bool:
            return append(m_out.boolean(value.toBool()));
        case QMetaType::Double:
        case QMetaType::Float:
            return append(m_out.real(value.toDouble()));
        case QMetaType::QByteArray: {
            const QByteArray bytes = value.toByteArray();
            if (bytes.isNull()) {
                return 0;
            }
            return append(m_out.data(bytes));
        }
        case QMetaType::QDateTime: {
            const QDateTime date = value.toDateTime();
            if (!date.isValid()) {
                return 0;
            }
            static const QStringList classes{QStringLiteral("NSDate"), QStringLiteral("NSObject")};
            uint64_t uid = 0;
            const Ref dict = newObject(classes.first(), classes, &uid);
            const double seconds = plist::secondsFromDate(date);
            m_out.insert(dict, m_out.string(QStringLiteral("NS.time")), m_out.real(seconds));
            return uid;
        }
        case QMetaType::QVariantList:
        case QMetaType::QStringList:
            return encodeList(value.toList());
        case QMetaType::QVariantMap:
            return encodeMap(value.toMap());
        case QMetaType::QVariantHash: {
            const QVariantHash hash = value.toHash();
            QVariantMap map;
            for (auto it = hash.cbegin(); it != hash.cend(); ++it) {
                map.insert(it.key(), it.value());
            }
            return encodeMap(map);
        }
        default:
            break;
        }
        if (value.typeId() == entryTypeId()) {
            const auto entry = value.value<std::shared_ptr<QVariantMap>>();
            if (!entry) {
                return 0;
            }
            const auto found = m_sharedUids.constFind(entry.get());
            if (found != m_sharedUids.cend()) {
                return found.value();
            }
            // A map cannot contain itself by value, so its UID is recorded
            // once it is written.
            const uint64_t uid = encodeMap(*entry);
            if (!m_failed) {
                m_sharedUids.insert(entry.get(), uid);
            }
            return uid;
        }
        const auto cls = classForType(value.typeId());
        if (!cls) {
            fail(QStringLiteral("archivedDataWithRootObject : no archived form for %1")
                     .arg(typeName(value)));
            return 0;
        }
        const void* identity = cls->identity ? cls->identity(value) : value.constData();
        if (identity == nullptr) {
            return 0;
        }
        const auto found = m_sharedUids.constFind(identity);
        if (found != m_sharedUids.cend()) {
            return found.value();
        }
        uint64_t uid = 0;
        const Ref dict = newObject(cls->className, cls->classes, &uid);
        // Known before the fields are written, so an object that refers back to
        // itself is written as a reference instead of without end.
        m_sharedUids.insert(identity, uid);
        KeyedArchiver coder(*this, dict);
        cls->encode(value, coder);
        return uid;
    }

    plist::BinaryPropertyListWriter m_out;
    std::vector<Ref> m_objects; // "$objects": the property-list object of each UID
    QHash<QString, uint64_t> m_stringUids;
    QHash<QString, uint64_t> m_classUids;
    QHash<const void*, uint64_t> m_sharedUids;
    int m_depth = 0;
    bool m_failed = false;
};

} // namespace detail

KeyedArchiver::KeyedArchiver(detail::ArchiveWriter& writer, quint32 object)
    : m_writer(writer), m_object(object) {}

void KeyedArchiver::encodeObject(const QVariant& object, const QString& forKey) {
    const uint64_t uid = m_writer.encode(object);
    m_writer.setItem(m_object, forKey, m_writer.out().uid(uid));
}

void KeyedArchiver::encodeBool(bool value, const QString& forKey) {
    m_writer.setItem(m_object, forKey, m_writer.out().boolean(value));
}

void KeyedArchiver::encodeInt32(qint32 value, const QString& forKey) {
    encodeInt64(value, forKey);
}

void KeyedArchiver::encodeInt64(qint64 value, const QString& forKey) {
    m_writer.setItem(m_object, forKey, m_writer.out().integer(value));
}

void KeyedArchiver::encodeDouble(double value, const QString& forKey) {
    m_writer.setItem(m_object, forKey, m_writer.out().real(value));
}

QByteArray archivedDataWithAbsentRoot() {
    detail::ArchiveWriter writer;
    return writer.finish(0);
}

QByteArray archivedDataWithRootObject(const QVariant& root) {
    if (!root.isValid()) {
        return {};
    }
    detail::ArchiveWriter writer;
    const uint64_t uid = writer.encode(root);
    if (writer.failed() || uid == 0) {
        return {};
    }
    return writer.finish(uid);
}

} // namespace platform
