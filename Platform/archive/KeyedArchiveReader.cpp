#include "Platform/archive/KeyedArchiveInternal.h"
#include "Platform/plist/BinaryPropertyListReader.h"
#include "Platform/plist/Libplist.h"
#include "Platform/plist/PropertyList.h"
#include "Platform/plist/PropertyListDepth.h"

#include <QDateTime>
#include <QHash>
#include <QTimeZone>
#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <unordered_map>
#include <vector>

namespace platform {

using detail::classForName;
using detail::trace;

namespace {

// What one top-level decode on this thread has spent, shared with the archives
// nested in its data objects: the objects visited, and each distinct nested
// archive's root, decoded once however many records hold the same bytes. A
// root taken again counts the objects its decode visited once more, so the
// bound holds for the work the archive asks for, not only the work done.
struct DecodeState {
    struct Root {
        QVariant value;
        qint64 visits = 0;
    };
    int nested = 0;
    qint64 visits = 0;
    QHash<QByteArray, Root> nestedRoots;
};
thread_local DecodeState* t_decode = nullptr;

// Enters a decode: the top-level one owns the state, nested ones share it.
class DecodeScope {
public:
    DecodeScope() {
        if (t_decode == nullptr) {
            m_owned = std::make_unique<DecodeState>();
            t_decode = m_owned.get();
        }
        ++t_decode->nested;
    }
    ~DecodeScope() {
        --t_decode->nested;
        if (m_owned) {
            t_decode = nullptr;
        }
    }
    DecodeScope(const DecodeScope&) = delete;
    DecodeScope& operator=(const DecodeScope&) = delete;

    DecodeState& state() const { return *t_decode; }

private:
    std::unique_ptr<DecodeState> m_owned;
};

} // namespace

// ---------------------------------------------------------------------------
// Reading.
//
// Binary archives are read in place (plist::BinaryPropertyListReader): objects
// are decoded straight from the bytes when a reference reaches them. XML
// archives are parsed by libplist and turned into the binary form first.

namespace detail {

namespace {

using Reader = plist::BinaryPropertyListReader;
using Object = Reader::Object;
using Kind = Reader::Kind;

bool isString(const std::optional<Object>& o) {
    return o && (o->kind == Kind::String || o->kind == Kind::Utf16String);
}

} // namespace

class ArchiveReader {
public:
    // Per-object state is kept only for the objects reached, so a long
    // "$objects" costs nothing until references reach into it.
    ArchiveReader(const Reader& list, const Object& objects, qint64& visits)
        : m_list(list), m_objects(objects), m_count(objects.length), m_visits(visits) {}

    const Reader& list() const { return m_list; }

    // The object at an index of the list, when it exists.
    std::optional<Object> objectAt(std::optional<uint64_t> index) const {
        return index ? m_list.object(*index) : std::nullopt;
    }

    std::optional<Object> item(const Object& dict, QLatin1StringView key) const {
        return objectAt(m_list.valueForKey(dict, key));
    }

    // A reference: a UID, or the dictionary { "CF$UID" = n } that XML
    // property lists use for one.
    bool uidOf(const std::optional<Object>& o, uint64_t* uid) const {
        if (!o) {
            return false;
        }
        if (o->kind == Kind::Uid) {
            *uid = m_list.uidValue(*o);
            return true;
        }
        if (o->kind == Kind::Dict && o->length == 1) {
            const auto value = item(*o, QLatin1StringView("CF$UID"));
            if (value && value->kind == Kind::Integer) {
                *uid = m_list.integerValue(*value);
                return true;
            }
        }
        return false;
    }

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
        if (++m_visits > plist::kMaxObjectsVisited) {
            fail(QStringLiteral("unarchiveObjectWithData : more than %1 objects visited")
                     .arg(plist::kMaxObjectsVisited));
            return {};
        }
        Entry& entry = m_entries[uid];
        switch (entry.state) {
        case State::Done:
            return entry.value;
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
        const auto node = objectAt(m_list.reference(m_objects, uid));
        if (!node) {
            fail(QStringLiteral("unarchiveObjectWithData : object %1 is malformed").arg(uid));
            return {};
        }
        entry.state = State::Busy; // map entries stay in place while the map grows
        ++m_depth;
        QVariant value = decodeNode(*node);
        --m_depth;
        if (m_failed) {
            return {};
        }
        entry.state = State::Done;
        entry.value = value;
        return value;
    }

    // The object a reference points at; a trace line when it is no reference.
    QVariant decodeReference(const std::optional<Object>& node, const QString& where) {
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
    struct Entry {
        State state = State::New;
        QVariant value;
    };

    // What a class object of the archive names, worked out once per class.
    enum class ClassKind : quint8 { Unknown, Array, Map, String, Data, Date, Null, Record, Bad };
    struct ClassInfo {
        ClassKind kind = ClassKind::Unknown;
        QString name;
        std::shared_ptr<const ArchivableClass> record;
    };

    QVariant stringOf(const Object& o) {
        QString text = m_list.stringValue(o);
        if (text.isNull()) {
            fail(QStringLiteral("unarchiveObjectWithData : malformed string"));
            return {};
        }
        return QVariant(std::move(text));
    }

    QVariant decodeNode(const Object& node) {
        switch (node.kind) {
        case Kind::String:
        case Kind::Utf16String:
            return stringOf(node);
        case Kind::Bool:
            return QVariant(m_list.boolValue(node));
        case Kind::Integer:
            return QVariant(static_cast<qint64>(m_list.integerValue(node)));
        case Kind::Real:
            return QVariant(m_list.realValue(node));
        case Kind::Data:
            return QVariant(m_list.dataValue(node));
        case Kind::Date: {
            const auto date = plist::dateFromSeconds(m_list.realValue(node));
            if (!date) {
                fail(QStringLiteral("unarchiveObjectWithData : date out of range"));
                return {};
            }
            return QVariant(*date);
        }
        case Kind::Dict:
            return decodeDictionary(node);
        default:
            fail(QStringLiteral("unarchiveObjectWithData : object of an unexpected kind"));
            return {};
        }
    }

    const ClassInfo& classInfo(uint64_t classUid) {
        ClassInfo& info = m_classes[classUid];
        if (info.kind != ClassKind::Unknown) {
            return info;
        }
        info.kind = ClassKind::Bad;
        const auto cls = objectAt(m_list.reference(m_objects, classUid));
        const auto nameNode = cls && cls->kind == Kind::Dict
                                  ? item(*cls, QLatin1StringView("$classname"))
                                  : std::nullopt;
        if (!isString(nameNode)) {
            return info;
        }
        info.name = m_list.stringValue(*nameNode);
        if (info.name.isNull()) {
            return info;
        }
        const QString& name = info.name;
        if (name == QLatin1String("NSArray") || name == QLatin1String("NSMutableArray") ||
            name == QLatin1String("NSSet") || name == QLatin1String("NSMutableSet") ||
            name == QLatin1String("NSOrderedSet") || name == QLatin1String("NSMutableOrderedSet")) {
            info.kind = ClassKind::Array;
        } else if (name == QLatin1String("NSDictionary") ||
                   name == QLatin1String("NSMutableDictionary")) {
            info.kind = ClassKind::Map;
        } else if (name == QLatin1String("NSString") || name == QLatin1String("NSMutableString")) {
            info.kind = ClassKind::String;
        } else if (name == QLatin1String("NSData") || name == QLatin1String("NSMutableData")) {
            info.kind = ClassKind::Data;
        } else if (name == QLatin1String("NSDate")) {
            info.kind = ClassKind::Date;
        } else if (name == QLatin1String("NSNull")) {
            info.kind = ClassKind::Null;
        } else {
            info.kind = ClassKind::Record;
            info.record = classForName(name);
            if (!info.record) {
                // A class this program does not know may be standing in for one
                // of its ancestors, which are listed in "$classes".
                const auto classes = item(*cls, QLatin1StringView("$classes"));
                if (classes && classes->kind == Kind::Array) {
                    for (uint64_t k = 0; k < classes->length && !info.record; ++k) {
                        const auto c = objectAt(m_list.reference(*classes, k));
                        if (isString(c)) {
                            info.record = classForName(m_list.stringValue(*c));
                        }
                    }
                }
            }
        }
        return info;
    }

    QVariant decodeDictionary(const Object& dict) {
        uint64_t classUid = 0;
        if (!uidOf(item(dict, QLatin1StringView("$class")), &classUid) || classUid == 0 ||
            classUid >= m_count) {
            fail(QStringLiteral("unarchiveObjectWithData : object without a valid class"));
            return {};
        }
        const ClassInfo& info = classInfo(classUid);
        const QString& name = info.name;
        switch (info.kind) {
        case ClassKind::Unknown:
        case ClassKind::Bad:
            fail(QStringLiteral("unarchiveObjectWithData : class %1 without a name").arg(classUid));
            return {};
        case ClassKind::Array:
            return decodeArray(dict, name);
        case ClassKind::Map:
            return decodeMap(dict);
        case ClassKind::String: {
            const auto text = item(dict, QLatin1StringView("NS.string"));
            if (!isString(text)) {
                fail(QStringLiteral("unarchiveObjectWithData : %1 without NS.string").arg(name));
                return {};
            }
            return stringOf(*text);
        }
        case ClassKind::Data: {
            const auto data = item(dict, QLatin1StringView("NS.data"));
            if (!data || data->kind != Kind::Data) {
                fail(QStringLiteral("unarchiveObjectWithData : %1 without NS.data").arg(name));
                return {};
            }
            return QVariant(m_list.dataValue(*data));
        }
        case ClassKind::Date: {
            const auto time = item(dict, QLatin1StringView("NS.time"));
            double seconds = 0;
            if (time && time->kind == Kind::Real) {
                seconds = m_list.realValue(*time);
            } else if (time && time->kind == Kind::Integer) {
                seconds = static_cast<double>(static_cast<qint64>(m_list.integerValue(*time)));
            } else {
                fail(QStringLiteral("unarchiveObjectWithData : NSDate without NS.time"));
                return {};
            }
            const auto date = plist::dateFromSeconds(seconds);
            if (!date) {
                fail(QStringLiteral("unarchiveObjectWithData : NSDate out of range"));
                return {};
            }
            return QVariant(*date);
        }
        case ClassKind::Null:
            return {};
        case ClassKind::Record:
            break;
        }
        if (!info.record) {
            fail(QStringLiteral("unarchiveObjectWithData : unknown class %1").arg(name));
            return {};
        }
        // Keep the class alive and its name at hand while the record decodes.
        const std::shared_ptr<const ArchivableClass> record = info.record;
        Object object = dict;
        KeyedUnarchiver coder(*this, &object, record->className);
        QVariant value = record->decode(coder);
        if (!m_failed && !value.isValid()) {
            trace(QStringLiteral("unarchiveObjectWithData : no %1 could be built").arg(name));
        }
        return value;
    }

    std::optional<Object> arrayItem(const Object& dict, const char* key, const QString& name) {
        const auto items = item(dict, QLatin1StringView(key));
        if (!items || items->kind != Kind::Array) {
            fail(QStringLiteral("unarchiveObjectWithData : %1 without %2")
                     .arg(name, QLatin1String(key)));
            return std::nullopt;
        }
        return items;
    }

    QVariant decodeArray(const Object& dict, const QString& name) {
        const auto items = arrayItem(dict, "NS.objects", name);
        if (!items) {
            return {};
        }
        QVariantList list;
        list.reserve(static_cast<qsizetype>(items->length));
        for (uint64_t k = 0; k < items->length; ++k) {
            QVariant item = decodeReference(objectAt(m_list.reference(*items, k)),
                                            QStringLiteral("an element of a collection"));
            if (m_failed) {
                return {};
            }
            list.append(std::move(item));
        }
        return QVariant(std::move(list));
    }

    QVariant decodeMap(const Object& dict) {
        const QString name = QStringLiteral("a dictionary");
        const auto keys = arrayItem(dict, "NS.keys", name);
        const auto objects = keys ? arrayItem(dict, "NS.objects", name) : std::nullopt;
        if (!objects) {
            return {};
        }
        if (keys->length != objects->length) {
            fail(QStringLiteral("unarchiveObjectWithData : dictionary with %1 keys and %2 objects")
                     .arg(keys->length)
                     .arg(objects->length));
            return {};
        }
        QVariantMap map;
        for (uint64_t i = 0; i < keys->length; ++i) {
            const QVariant key = decodeReference(objectAt(m_list.reference(*keys, i)),
                                                 QStringLiteral("a dictionary key"));
            QVariant value = decodeReference(objectAt(m_list.reference(*objects, i)),
                                             QStringLiteral("a dictionary value"));
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

    const Reader& m_list;
    Object m_objects;
    uint64_t m_count;
    qint64& m_visits;
    std::unordered_map<uint64_t, Entry> m_entries;
    std::unordered_map<uint64_t, ClassInfo> m_classes;
    int m_depth = 0;
    bool m_failed = false;
};

} // namespace detail

namespace {

QVariant unarchiveRoot(const QByteArray& data, qint64& visits) {
    if (data.size() > std::numeric_limits<int32_t>::max()) {
        trace(QStringLiteral("unarchiveObjectWithData : data too large"));
        return {};
    }
    QByteArray binary = data;
    const bool isBinary = data.startsWith("bplist00");
    // XML reaches libplist only without NUL bytes and with its nesting proven
    // shallow; binary lists are read in place, their nesting checked on the way.
    if ((isBinary && !detail::Reader(data).isValid()) ||
        (!isBinary && (data.contains('\0') || !plist::nestingWithin(data, plist::kMaxDepth)))) {
        trace(QStringLiteral("unarchiveObjectWithData : data is not a property list or "
                             "nests deeper than %1 (%2 bytes)")
                  .arg(plist::kMaxDepth)
                  .arg(data.size()));
        return {};
    }
    if (!isBinary) {
        binary = plist::binaryFromXml(data);
    }
    const detail::Reader list(binary);
    const auto top = list.object(list.topObject());
    if (!top || top->kind != detail::Kind::Dict) {
        trace(QStringLiteral("unarchiveObjectWithData : data is not a property list (%1 bytes)")
                  .arg(data.size()));
        return {};
    }
    const auto item = [&](const char* key) {
        const auto index = list.valueForKey(*top, QLatin1StringView(key));
        return index ? list.object(*index) : std::nullopt;
    };
    const auto archiver = item("$archiver");
    const auto objects = item("$objects");
    const auto topDict = item("$top");
    if (!archiver || !list.stringEquals(*archiver, QLatin1StringView("NSKeyedArchiver")) ||
        !objects || objects->kind != detail::Kind::Array || objects->length == 0 || !topDict ||
        topDict->kind != detail::Kind::Dict) {
        trace(QStringLiteral("unarchiveObjectWithData : data is not a keyed archive"));
        return {};
    }
    detail::ArchiveReader reader(list, *objects, visits);
    QVariant root = reader.decodeReference(reader.item(*topDict, QLatin1StringView("root")),
                                           QStringLiteral("the root"));
    return reader.failed() ? QVariant() : root;
}

} // namespace

QVariant unarchiveObjectWithData(const QByteArray& data) {
    if (data.isEmpty()) {
        return {};
    }
    DecodeScope scope;
    DecodeState& state = scope.state();
    if (state.nested > kMaxNestedArchives) {
        trace(QStringLiteral("unarchiveObjectWithData : archives nested deeper than %1")
                  .arg(kMaxNestedArchives));
        return {};
    }
    const bool nested = state.nested > 1;
    if (nested) {
        const auto known = state.nestedRoots.constFind(data);
        if (known != state.nestedRoots.cend()) {
            state.visits += known->visits;
            return state.visits > plist::kMaxObjectsVisited ? QVariant() : known->value;
        }
    }
    const qint64 before = state.visits;
    QVariant root = unarchiveRoot(data, state.visits);
    if (nested) {
        state.nestedRoots.insert(data, {root, state.visits - before});
    } else if (state.visits > plist::kMaxObjectsVisited && root.isValid()) {
        trace(QStringLiteral("unarchiveObjectWithData : more than %1 objects visited")
                  .arg(plist::kMaxObjectsVisited));
        return {};
    }
    return root;
}

// ---------------------------------------------------------------------------
// KeyedUnarchiver

KeyedUnarchiver::KeyedUnarchiver(detail::ArchiveReader& reader, void* object, QString className)
    : m_reader(reader), m_object(object), m_className(std::move(className)) {}

QString KeyedUnarchiver::className() const {
    return m_className;
}

namespace {
std::optional<detail::Object> itemFor(const detail::ArchiveReader& reader, void* object,
                                      const QString& key) {
    const auto& dict = *static_cast<const detail::Object*>(object);
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
            return reader.item(dict, QLatin1StringView(buffer, key.size()));
        }
    }
    // Any other key is compared as text.
    const auto& list = reader.list();
    for (uint64_t k = 0; k < dict.length; ++k) {
        const auto name = reader.objectAt(list.reference(dict, k));
        if (name && list.stringValue(*name) == key) {
            return reader.objectAt(list.reference(dict, k, true));
        }
    }
    return std::nullopt;
}

// The integer under a key: integers, booleans and integral reals in range.
std::optional<qint64> integerOf(const detail::Reader& list, const detail::Object& node) {
    switch (node.kind) {
    case detail::Kind::Integer:
    case detail::Kind::Bool:
        return static_cast<qint64>(list.integerValue(node));
    case detail::Kind::Real: {
        const double d = list.realValue(node);
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
    return itemFor(m_reader, m_object, key).has_value();
}

void KeyedUnarchiver::traceWrongKind(const QString& key, const QString& expected) const {
    trace(QStringLiteral("initWithCoder : %1 \"%2\" is not a %3").arg(m_className, key, expected));
}

QVariant KeyedUnarchiver::decodeObjectForKey(const QString& key) {
    const auto item = itemFor(m_reader, m_object, key);
    if (!item) {
        return {};
    }
    uint64_t uid = 0;
    if (!m_reader.uidOf(item, &uid)) {
        traceWrongKind(key, QStringLiteral("reference"));
        return {};
    }
    return m_reader.decode(uid);
}

bool KeyedUnarchiver::decodeBoolForKey(const QString& key) {
    const auto item = itemFor(m_reader, m_object, key);
    if (!item) {
        return false;
    }
    const auto value = integerOf(m_reader.list(), *item);
    if (!value) {
        traceWrongKind(key, QStringLiteral("boolean"));
        return false;
    }
    return *value != 0;
}

qint32 KeyedUnarchiver::decodeInt32ForKey(const QString& key) {
    const auto item = itemFor(m_reader, m_object, key);
    if (!item) {
        return 0;
    }
    const auto value = integerOf(m_reader.list(), *item);
    if (!value || *value < std::numeric_limits<qint32>::min() ||
        *value > std::numeric_limits<qint32>::max()) {
        traceWrongKind(key, QStringLiteral("32-bit integer"));
        return 0;
    }
    return static_cast<qint32>(*value);
}

qint64 KeyedUnarchiver::decodeInt64ForKey(const QString& key) {
    const auto item = itemFor(m_reader, m_object, key);
    if (!item) {
        return 0;
    }
    const auto value = integerOf(m_reader.list(), *item);
    if (!value) {
        traceWrongKind(key, QStringLiteral("64-bit integer"));
        return 0;
    }
    return *value;
}

double KeyedUnarchiver::decodeDoubleForKey(const QString& key) {
    const auto item = itemFor(m_reader, m_object, key);
    if (!item) {
        return 0;
    }
    if (item->kind == detail::Kind::Real) {
        return m_reader.list().realValue(*item);
    }
    const auto value = integerOf(m_reader.list(), *item);
    if (!value) {
        traceWrongKind(key, QStringLiteral("real number"));
        return 0;
    }
    return static_cast<double>(*value);
}

namespace {
// The object under the key when its meta type is one of the types; otherwise
// nothing, with a trace line naming the kind expected when there was an object.
QVariant objectOfType(KeyedUnarchiver& coder, const QString& key, std::initializer_list<int> types,
                      const QString& expected) {
    QVariant object = coder.decodeObjectForKey(key);
    if (!object.isValid()) {
        return {};
    }
    if (std::find(types.begin(), types.end(), object.typeId()) == types.end()) {
        coder.traceWrongKind(key, expected);
        return {};
    }
    return object;
}
} // namespace

QString KeyedUnarchiver::decodeStringForKey(const QString& key) {
    return objectOfType(*this, key, {QMetaType::QString}, QStringLiteral("string")).toString();
}

QByteArray KeyedUnarchiver::decodeDataForKey(const QString& key) {
    return objectOfType(*this, key, {QMetaType::QByteArray}, QStringLiteral("data object"))
        .toByteArray();
}

QVariant KeyedUnarchiver::decodeNumberForKey(const QString& key) {
    return objectOfType(*this, key, {QMetaType::LongLong, QMetaType::Double, QMetaType::Bool},
                        QStringLiteral("number"));
}

QVariant KeyedUnarchiver::decodeListForKey(const QString& key) {
    return objectOfType(*this, key, {QMetaType::QVariantList}, QStringLiteral("list"));
}

QVariant KeyedUnarchiver::decodeMapForKey(const QString& key) {
    return objectOfType(*this, key, {QMetaType::QVariantMap}, QStringLiteral("dictionary"));
}

} // namespace platform
