#include "Platform/KeyedArchive.h"

#include "Platform/BinaryPropertyListWriter.h"
#include "Platform/ObjectDescription.h"
#include "Platform/PropertyList.h"
#include "Platform/PropertyListDepth.h"
#include "ZorvaHIDDeviceLibrary/Sources/Common/HVTrace.h"

#include <QDateTime>
#include <QHash>
#include <QReadWriteLock>
#include <QTimeZone>
#include <cmath>
#include <limits>
#include <mutex>
#include <optional>
#include <plist/plist.h>
#include <vector>

namespace platform {

namespace {

// Trace lines of the codec go to the IPC category: archives are what crosses
// the process boundary.
constexpr int kTraceCategory = 22;
constexpr int kTraceSeverity = 3;

// Seconds between the Unix epoch and the archive epoch (2001-01-01 UTC).
constexpr double kEpochOffset = 978307200.0;

void trace(const QString& message) {
    HVTrace::writeLine(message, kTraceCategory, kTraceSeverity);
}

struct NodeDeleter {
    void operator()(void* node) const { plist_free(static_cast<plist_t>(node)); }
};
using Node = std::unique_ptr<void, NodeDeleter>;

// ---------------------------------------------------------------------------
// The registry of record classes.

struct Registry {
    QReadWriteLock lock;
    QHash<QString, std::shared_ptr<const ArchivableClass>> byName;
    QHash<int, std::shared_ptr<const ArchivableClass>> byType;
};

Registry& registry() {
    static Registry instance;
    return instance;
}

std::shared_ptr<const ArchivableClass> classForType(int typeId) {
    auto& reg = registry();
    QReadLocker lock(&reg.lock);
    return reg.byType.value(typeId);
}

std::shared_ptr<const ArchivableClass> classForName(const QString& name) {
    auto& reg = registry();
    QReadLocker lock(&reg.lock);
    return reg.byName.value(name);
}

int entryTypeId() {
    static const int id = qMetaTypeId<std::shared_ptr<QVariantMap>>();
    return id;
}

// Describes records and shared maps in trace lines.
QString describeArchivable(const QVariant& value, int indent) {
    if (value.typeId() == entryTypeId()) {
        const auto map = value.value<std::shared_ptr<QVariantMap>>();
        return map ? describeIndented(QVariant(*map), indent) : QStringLiteral("(null)");
    }
    const auto cls = classForType(value.typeId());
    if (!cls || !cls->describe) {
        return {};
    }
    return cls->describe(value, indent);
}

void ensureDescriberRegistered() {
    static std::once_flag once;
    std::call_once(once, [] { registerDescriber(&describeArchivable); });
}

// Nesting of archives inside data objects of archives being read on this thread.
thread_local int t_nestedArchives = 0;

struct NestedArchiveGuard {
    NestedArchiveGuard() { ++t_nestedArchives; }
    ~NestedArchiveGuard() { --t_nestedArchives; }
    NestedArchiveGuard(const NestedArchiveGuard&) = delete;
    NestedArchiveGuard& operator=(const NestedArchiveGuard&) = delete;
};

QString typeName(const QVariant& value) {
    const char* name = value.typeName();
    return QString::fromLatin1(name != nullptr ? name : "unknown");
}

} // namespace

void registerArchivableClass(ArchivableClass cls) {
    ensureDescriberRegistered();
    if (cls.classes.isEmpty()) {
        cls.classes = QStringList{cls.className, QStringLiteral("NSObject")};
    }
    auto shared = std::make_shared<const ArchivableClass>(std::move(cls));
    auto& reg = registry();
    QWriteLocker lock(&reg.lock);
    reg.byName.insert(shared->className, shared);
    if (shared->type.isValid()) {
        reg.byType.insert(shared->type.id(), shared);
    }
}

bool isArchivableClassRegistered(const QString& className) {
    return classForName(className) != nullptr;
}

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
        switch (value.typeId()) {
        case QMetaType::QString:
            return encodeString(value.toString());
        case QMetaType::Bool:
            return append(m_out.boolean(value.toBool()));
        case QMetaType::Int:
        case QMetaType::Long:
        case QMetaType::LongLong:
        case QMetaType::Short:
        case QMetaType::Char:
        case QMetaType::SChar:
            return append(m_out.integer(value.toLongLong()));
        case QMetaType::UInt:
        case QMetaType::ULong:
        case QMetaType::ULongLong:
        case QMetaType::UShort:
        case QMetaType::UChar:
            // Written as the 64 bits; the format reads them signed.
            return append(m_out.integer(static_cast<int64_t>(value.toULongLong())));
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
            const double seconds =
                static_cast<double>(date.toMSecsSinceEpoch()) / 1000.0 - kEpochOffset;
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

// ---------------------------------------------------------------------------
// Reading.

namespace detail {

namespace {

// A reference: a UID node, or the dictionary { "CF$UID" = n } that XML
// property lists use for one.
bool uidOf(plist_t node, uint64_t* uid) {
    if (node == nullptr) {
        return false;
    }
    const plist_type type = plist_get_node_type(node);
    if (type == PLIST_UID) {
        plist_get_uid_val(node, uid);
        return true;
    }
    if (type == PLIST_DICT && plist_dict_get_size(node) == 1) {
        plist_t value = plist_dict_get_item(node, "CF$UID");
        if (value != nullptr && plist_get_node_type(value) == PLIST_UINT) {
            plist_get_uint_val(value, uid);
            return true;
        }
    }
    return false;
}

QString stringOf(plist_t node) {
    uint64_t length = 0;
    const char* text = plist_get_string_ptr(node, &length);
    return text != nullptr ? QString::fromUtf8(text, static_cast<qsizetype>(length))
                           : QString(QLatin1String(""));
}

bool isString(plist_t node) {
    return node != nullptr && plist_get_node_type(node) == PLIST_STRING;
}

// The elements of an array node in order, walked once (looking elements up
// by position takes time proportional to the position).
std::vector<plist_t> itemsOf(plist_t array) {
    std::vector<plist_t> items;
    items.reserve(plist_array_get_size(array));
    plist_array_iter it = nullptr;
    plist_array_new_iter(array, &it);
    std::unique_ptr<void, decltype(&std::free)> guard(it, &std::free);
    for (;;) {
        plist_t item = nullptr;
        plist_array_next_item(array, it, &item);
        if (item == nullptr) {
            break;
        }
        items.push_back(item);
    }
    return items;
}

} // namespace

class ArchiveReader {
public:
    explicit ArchiveReader(plist_t objects)
        : m_objects(itemsOf(objects)), m_count(static_cast<uint32_t>(m_objects.size())),
          m_values(m_count), m_states(m_count, State::New) {}

    // The object with that UID; invalid for "$null" and after a failure.
    QVariant decode(uint64_t uid) {
        if (m_failed) {
            return {};
        }
        if (uid >= m_count) {
            fail(QStringLiteral("unarchiveObjectWithData : reference %1 out of range (%2 objects)")
                     .arg(uid)
                     .arg(m_count));
            return {};
        }
        if (uid == 0) {
            return {};
        }
        const auto index = static_cast<size_t>(uid);
        switch (m_states[index]) {
        case State::Done:
            return m_values[index];
        case State::Busy:
            fail(QStringLiteral("unarchiveObjectWithData : reference cycle at object %1").arg(uid));
            return {};
        case State::New:
            break;
        }
        if (m_depth >= kMaxArchiveDepth) {
            fail(QStringLiteral("unarchiveObjectWithData : objects nested deeper than %1")
                     .arg(kMaxArchiveDepth));
            return {};
        }
        m_states[index] = State::Busy;
        ++m_depth;
        QVariant value = decodeNode(m_objects[index]);
        --m_depth;
        if (m_failed) {
            return {};
        }
        m_states[index] = State::Done;
        m_values[index] = value;
        return value;
    }

    // The object a reference node points at; a trace line when it is no reference.
    QVariant decodeReference(plist_t node, const QString& where) {
        uint64_t uid = 0;
        if (!uidOf(node, &uid)) {
            fail(QStringLiteral("unarchiveObjectWithData : %1 is not a reference").arg(where));
            return {};
        }
        return decode(uid);
    }

    bool failed() const { return m_failed; }

    void fail(const QString& message) {
        if (!m_failed) {
            trace(message);
        }
        m_failed = true;
    }

private:
    enum class State : quint8 { New, Busy, Done };

    QVariant decodeNode(plist_t node) {
        switch (plist_get_node_type(node)) {
        case PLIST_STRING:
            return stringOf(node);
        case PLIST_BOOLEAN:
            return QVariant(plist_bool_val_is_true(node) != 0);
        case PLIST_UINT: {
            uint64_t v = 0;
            plist_get_uint_val(node, &v);
            return QVariant(static_cast<qint64>(v));
        }
        case PLIST_REAL: {
            double d = 0;
            plist_get_real_val(node, &d);
            return QVariant(d);
        }
        case PLIST_DATA: {
            uint64_t length = 0;
            const char* bytes = plist_get_data_ptr(node, &length);
            return QVariant(bytes != nullptr ? QByteArray(bytes, static_cast<qsizetype>(length))
                                             : QByteArray(""));
        }
        case PLIST_DATE: {
            int32_t sec = 0;
            int32_t usec = 0;
            plist_get_date_val(node, &sec, &usec);
            const qint64 ms =
                (static_cast<qint64>(sec) + static_cast<qint64>(kEpochOffset)) * 1000 + usec / 1000;
            return QVariant(QDateTime::fromMSecsSinceEpoch(ms, QTimeZone::utc()));
        }
        case PLIST_DICT:
            return decodeDictionary(node);
        default:
            fail(QStringLiteral("unarchiveObjectWithData : object of an unexpected kind"));
            return {};
        }
    }

    QVariant decodeDictionary(plist_t dict) {
        uint64_t classUid = 0;
        if (!uidOf(plist_dict_get_item(dict, "$class"), &classUid) || classUid == 0 ||
            classUid >= m_count) {
            fail(QStringLiteral("unarchiveObjectWithData : object without a valid class"));
            return {};
        }
        plist_t cls = m_objects[static_cast<size_t>(classUid)];
        plist_t nameNode = plist_get_node_type(cls) == PLIST_DICT
                               ? plist_dict_get_item(cls, "$classname")
                               : nullptr;
        if (!isString(nameNode)) {
            fail(QStringLiteral("unarchiveObjectWithData : class %1 without a name").arg(classUid));
            return {};
        }
        const QString name = stringOf(nameNode);
        if (name == QLatin1String("NSArray") || name == QLatin1String("NSMutableArray") ||
            name == QLatin1String("NSSet") || name == QLatin1String("NSMutableSet") ||
            name == QLatin1String("NSOrderedSet") || name == QLatin1String("NSMutableOrderedSet")) {
            return decodeArray(dict, name);
        }
        if (name == QLatin1String("NSDictionary") || name == QLatin1String("NSMutableDictionary")) {
            return decodeMap(dict);
        }
        if (name == QLatin1String("NSString") || name == QLatin1String("NSMutableString")) {
            plist_t text = plist_dict_get_item(dict, "NS.string");
            if (!isString(text)) {
                fail(QStringLiteral("unarchiveObjectWithData : %1 without NS.string").arg(name));
                return {};
            }
            return stringOf(text);
        }
        if (name == QLatin1String("NSData") || name == QLatin1String("NSMutableData")) {
            plist_t data = plist_dict_get_item(dict, "NS.data");
            if (data == nullptr || plist_get_node_type(data) != PLIST_DATA) {
                fail(QStringLiteral("unarchiveObjectWithData : %1 without NS.data").arg(name));
                return {};
            }
            return decodeNode(data);
        }
        if (name == QLatin1String("NSDate")) {
            plist_t time = plist_dict_get_item(dict, "NS.time");
            double seconds = 0;
            if (time != nullptr && plist_get_node_type(time) == PLIST_REAL) {
                plist_get_real_val(time, &seconds);
            } else if (time != nullptr && plist_get_node_type(time) == PLIST_UINT) {
                uint64_t v = 0;
                plist_get_uint_val(time, &v);
                seconds = static_cast<double>(static_cast<qint64>(v));
            } else {
                fail(QStringLiteral("unarchiveObjectWithData : NSDate without NS.time"));
                return {};
            }
            const double ms = std::round((seconds + kEpochOffset) * 1000.0);
            if (!std::isfinite(ms) || std::fabs(ms) > 8.0e15) {
                fail(QStringLiteral("unarchiveObjectWithData : NSDate out of range"));
                return {};
            }
            return QVariant(
                QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(ms), QTimeZone::utc()));
        }
        if (name == QLatin1String("NSNull")) {
            return {};
        }
        auto record = classForName(name);
        if (!record) {
            // A class this program does not know may be standing in for one of
            // its ancestors, which are listed in "$classes".
            plist_t classes = plist_dict_get_item(cls, "$classes");
            if (classes != nullptr && plist_get_node_type(classes) == PLIST_ARRAY) {
                for (plist_t c : itemsOf(classes)) {
                    if (isString(c)) {
                        record = classForName(stringOf(c));
                    }
                    if (record) {
                        break;
                    }
                }
            }
        }
        if (!record) {
            fail(QStringLiteral("unarchiveObjectWithData : unknown class %1").arg(name));
            return {};
        }
        KeyedUnarchiver coder(*this, dict, record->className);
        QVariant value = record->decode(coder);
        if (!m_failed && !value.isValid()) {
            trace(QStringLiteral("unarchiveObjectWithData : no %1 could be built").arg(name));
        }
        return value;
    }

    plist_t arrayItem(plist_t dict, const char* key, const QString& name) {
        plist_t items = plist_dict_get_item(dict, key);
        if (items == nullptr || plist_get_node_type(items) != PLIST_ARRAY) {
            fail(QStringLiteral("unarchiveObjectWithData : %1 without %2")
                     .arg(name, QLatin1String(key)));
            return nullptr;
        }
        return items;
    }

    QVariant decodeArray(plist_t dict, const QString& name) {
        plist_t items = arrayItem(dict, "NS.objects", name);
        if (items == nullptr) {
            return {};
        }
        const std::vector<plist_t> nodes = itemsOf(items);
        QVariantList list;
        list.reserve(static_cast<qsizetype>(nodes.size()));
        for (plist_t node : nodes) {
            QVariant item = decodeReference(node, QStringLiteral("an element of a collection"));
            if (m_failed) {
                return {};
            }
            list.append(std::move(item));
        }
        return QVariant(std::move(list));
    }

    QVariant decodeMap(plist_t dict) {
        const QString name = QStringLiteral("a dictionary");
        plist_t keys = arrayItem(dict, "NS.keys", name);
        plist_t objects = keys != nullptr ? arrayItem(dict, "NS.objects", name) : nullptr;
        if (objects == nullptr) {
            return {};
        }
        const std::vector<plist_t> keyNodes = itemsOf(keys);
        const std::vector<plist_t> valueNodes = itemsOf(objects);
        if (keyNodes.size() != valueNodes.size()) {
            fail(QStringLiteral("unarchiveObjectWithData : dictionary with %1 keys and %2 objects")
                     .arg(keyNodes.size())
                     .arg(valueNodes.size()));
            return {};
        }
        QVariantMap map;
        for (size_t i = 0; i < keyNodes.size(); ++i) {
            const QVariant key = decodeReference(keyNodes[i], QStringLiteral("a dictionary key"));
            QVariant value = decodeReference(valueNodes[i], QStringLiteral("a dictionary value"));
            if (m_failed) {
                return {};
            }
            if (key.typeId() != QMetaType::QString) {
                fail(QStringLiteral("unarchiveObjectWithData : dictionary key is not a string"));
                return {};
            }
            map.insert(key.toString(), std::move(value));
        }
        return QVariant(std::move(map));
    }

    std::vector<plist_t> m_objects;
    uint32_t m_count;
    std::vector<QVariant> m_values;
    std::vector<State> m_states;
    int m_depth = 0;
    bool m_failed = false;
};

} // namespace detail

QVariant unarchiveObjectWithData(const QByteArray& data) {
    if (data.isEmpty()) {
        return {};
    }
    if (t_nestedArchives >= kMaxNestedArchives) {
        trace(QStringLiteral("unarchiveObjectWithData : archives nested deeper than %1")
                  .arg(kMaxNestedArchives));
        return {};
    }
    NestedArchiveGuard guard;
    if (data.size() > std::numeric_limits<int32_t>::max()) {
        trace(QStringLiteral("unarchiveObjectWithData : data too large"));
        return {};
    }
    if (!plist::nestingWithin(data, plist::kMaxDepth)) {
        trace(QStringLiteral("unarchiveObjectWithData : data is not a property list or nests "
                             "deeper than %1 (%2 bytes)")
                  .arg(plist::kMaxDepth)
                  .arg(data.size()));
        return {};
    }
    plist_t raw = nullptr;
    const auto length = static_cast<uint32_t>(data.size());
    if (plist_is_binary(data.constData(), length)) {
        plist_from_bin(data.constData(), length, &raw);
    } else {
        plist_from_xml(data.constData(), length, &raw);
    }
    Node top(raw);
    if (!top || plist_get_node_type(top.get()) != PLIST_DICT) {
        trace(QStringLiteral("unarchiveObjectWithData : data is not a property list (%1 bytes)")
                  .arg(data.size()));
        return {};
    }
    plist_t archiver = plist_dict_get_item(top.get(), "$archiver");
    plist_t objects = plist_dict_get_item(top.get(), "$objects");
    plist_t topDict = plist_dict_get_item(top.get(), "$top");
    if (!detail::isString(archiver) ||
        detail::stringOf(archiver) != QLatin1String("NSKeyedArchiver") || objects == nullptr ||
        plist_get_node_type(objects) != PLIST_ARRAY || plist_array_get_size(objects) == 0 ||
        topDict == nullptr || plist_get_node_type(topDict) != PLIST_DICT) {
        trace(QStringLiteral("unarchiveObjectWithData : data is not a keyed archive"));
        return {};
    }
    detail::ArchiveReader reader(objects);
    QVariant root =
        reader.decodeReference(plist_dict_get_item(topDict, "root"), QStringLiteral("the root"));
    return reader.failed() ? QVariant() : root;
}

// ---------------------------------------------------------------------------
// KeyedUnarchiver

KeyedUnarchiver::KeyedUnarchiver(detail::ArchiveReader& reader, void* object, QString className)
    : m_reader(reader), m_object(object), m_className(std::move(className)) {}

QString KeyedUnarchiver::className() const {
    return m_className;
}

namespace {
plist_t itemFor(void* object, const QString& key) {
    // Keys are short ASCII names: spelled out on the stack, without allocating.
    char buffer[64];
    if (key.size() < qsizetype(sizeof buffer)) {
        bool ascii = true;
        for (qsizetype i = 0; i < key.size(); ++i) {
            const char16_t c = key.at(i).unicode();
            ascii = ascii && c != 0 && c < 0x80;
            buffer[i] = static_cast<char>(c);
        }
        if (ascii) {
            buffer[key.size()] = '\0';
            return plist_dict_get_item(static_cast<plist_t>(object), buffer);
        }
    }
    return plist_dict_get_item(static_cast<plist_t>(object), key.toUtf8().constData());
}

// The integer under a key: integers, booleans and integral reals in range.
std::optional<qint64> integerOf(plist_t node) {
    switch (plist_get_node_type(node)) {
    case PLIST_UINT: {
        uint64_t v = 0;
        plist_get_uint_val(node, &v);
        return static_cast<qint64>(v);
    }
    case PLIST_BOOLEAN:
        return plist_bool_val_is_true(node) != 0 ? 1 : 0;
    case PLIST_REAL: {
        double d = 0;
        plist_get_real_val(node, &d);
        if (std::isfinite(d) && d >= -9.2e18 && d <= 9.2e18) {
            return static_cast<qint64>(d);
        }
        return std::nullopt;
    }
    default:
        return std::nullopt;
    }
}
} // namespace

bool KeyedUnarchiver::containsValueForKey(const QString& key) const {
    return itemFor(m_object, key) != nullptr;
}

void KeyedUnarchiver::traceWrongKind(const QString& key, const QString& expected) const {
    trace(QStringLiteral("initWithCoder : %1 \"%2\" is not a %3").arg(m_className, key, expected));
}

QVariant KeyedUnarchiver::decodeObjectForKey(const QString& key) {
    plist_t item = itemFor(m_object, key);
    if (item == nullptr) {
        return {};
    }
    uint64_t uid = 0;
    if (!detail::uidOf(item, &uid)) {
        traceWrongKind(key, QStringLiteral("reference"));
        return {};
    }
    return m_reader.decode(uid);
}

bool KeyedUnarchiver::decodeBoolForKey(const QString& key) {
    plist_t item = itemFor(m_object, key);
    if (item == nullptr) {
        return false;
    }
    const auto value = integerOf(item);
    if (!value) {
        traceWrongKind(key, QStringLiteral("boolean"));
        return false;
    }
    return *value != 0;
}

qint32 KeyedUnarchiver::decodeInt32ForKey(const QString& key) {
    plist_t item = itemFor(m_object, key);
    if (item == nullptr) {
        return 0;
    }
    const auto value = integerOf(item);
    if (!value || *value < std::numeric_limits<qint32>::min() ||
        *value > std::numeric_limits<qint32>::max()) {
        traceWrongKind(key, QStringLiteral("32-bit integer"));
        return 0;
    }
    return static_cast<qint32>(*value);
}

qint64 KeyedUnarchiver::decodeInt64ForKey(const QString& key) {
    plist_t item = itemFor(m_object, key);
    if (item == nullptr) {
        return 0;
    }
    const auto value = integerOf(item);
    if (!value) {
        traceWrongKind(key, QStringLiteral("64-bit integer"));
        return 0;
    }
    return *value;
}

double KeyedUnarchiver::decodeDoubleForKey(const QString& key) {
    plist_t item = itemFor(m_object, key);
    if (item == nullptr) {
        return 0;
    }
    if (plist_get_node_type(item) == PLIST_REAL) {
        double d = 0;
        plist_get_real_val(item, &d);
        return d;
    }
    const auto value = integerOf(item);
    if (!value) {
        traceWrongKind(key, QStringLiteral("real number"));
        return 0;
    }
    return static_cast<double>(*value);
}

QString KeyedUnarchiver::decodeStringForKey(const QString& key) {
    const QVariant object = decodeObjectForKey(key);
    if (!object.isValid()) {
        return {};
    }
    if (object.typeId() != QMetaType::QString) {
        traceWrongKind(key, QStringLiteral("string"));
        return {};
    }
    return object.toString();
}

QByteArray KeyedUnarchiver::decodeDataForKey(const QString& key) {
    const QVariant object = decodeObjectForKey(key);
    if (!object.isValid()) {
        return {};
    }
    if (object.typeId() != QMetaType::QByteArray) {
        traceWrongKind(key, QStringLiteral("data object"));
        return {};
    }
    return object.toByteArray();
}

QVariant KeyedUnarchiver::decodeNumberForKey(const QString& key) {
    QVariant object = decodeObjectForKey(key);
    if (!object.isValid()) {
        return {};
    }
    const int type = object.typeId();
    if (type != QMetaType::LongLong && type != QMetaType::Double && type != QMetaType::Bool) {
        traceWrongKind(key, QStringLiteral("number"));
        return {};
    }
    return object;
}

QVariant KeyedUnarchiver::decodeListForKey(const QString& key) {
    QVariant object = decodeObjectForKey(key);
    if (!object.isValid()) {
        return {};
    }
    if (object.typeId() != QMetaType::QVariantList) {
        traceWrongKind(key, QStringLiteral("list"));
        return {};
    }
    return object;
}

QVariant KeyedUnarchiver::decodeMapForKey(const QString& key) {
    QVariant object = decodeObjectForKey(key);
    if (!object.isValid()) {
        return {};
    }
    if (object.typeId() != QMetaType::QVariantMap) {
        traceWrongKind(key, QStringLiteral("dictionary"));
        return {};
    }
    return object;
}

} // namespace platform
