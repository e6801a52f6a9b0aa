#include "Platform/plist/BinaryPropertyListReader.h"

#include "Platform/plist/PropertyList.h"

#include <QDateTime>
#include <QTimeZone>
#include <cmath>
#include <cstring>
#include <limits>
#include <unordered_map>

namespace platform::plist {

namespace {

constexpr unsigned kHeaderSize = 8;
constexpr uint64_t kTrailerSize = 32;

enum : quint8 { New, Busy, Done };

} // namespace

// One conversion: which containers are open, the finished ones (a container
// shared by several others is converted once, its value shared), and the
// objects visited, a finished container counting all of its objects again at
// every further place it is referenced.
struct BinaryPropertyListReader::Walk {
    struct Converted {
        QVariant value;
        qint64 size = 0; // objects visited for it, itself included
        int height = 0;  // levels below it
    };
    std::vector<quint8> busy;
    std::unordered_map<uint64_t, Converted> done;
    qint64 visits = 0;
    int height = 0; // of the object converted last
    bool ok = true;
};

BinaryPropertyListReader::BinaryPropertyListReader(const QByteArray& bytes)
    : m_data(reinterpret_cast<const unsigned char*>(bytes.constData())),
      m_size(static_cast<uint64_t>(bytes.size())) {
    if (m_size < kHeaderSize + kTrailerSize || std::memcmp(m_data, "bplist00", kHeaderSize) != 0) {
        return;
    }
    const uint64_t trailer = m_size - kTrailerSize;
    m_offsetSize = m_data[trailer + 6];
    m_refSize = m_data[trailer + 7];
    m_count = readUnsigned(trailer + 8, 8);
    m_top = readUnsigned(trailer + 16, 8);
    m_table = readUnsigned(trailer + 24, 8);
    m_valid = m_offsetSize >= 1 && m_offsetSize <= 8 && m_refSize >= 1 && m_refSize <= 8 &&
              m_count > 0 && m_top < m_count && m_table >= kHeaderSize && m_table < trailer &&
              m_count <= (trailer - m_table) / m_offsetSize;
}

uint64_t BinaryPropertyListReader::readUnsigned(uint64_t at, unsigned size) const {
    uint64_t v = 0;
    for (unsigned i = 0; i < size; ++i) {
        v = (v << 8) | m_data[at + i];
    }
    return v;
}

std::optional<BinaryPropertyListReader::Object>
BinaryPropertyListReader::object(uint64_t index) const {
    if (!m_valid || index >= m_count) {
        return std::nullopt;
    }
    const uint64_t offset = readUnsigned(m_table + index * m_offsetSize, m_offsetSize);
    if (offset < kHeaderSize || offset >= m_table) {
        return std::nullopt;
    }
    Object o;
    o.marker = m_data[offset];
    o.start = offset + 1;
    const unsigned type = o.marker >> 4;
    const unsigned low = o.marker & 0x0F;
    // The room left for the payload.
    const uint64_t room = m_table - o.start;
    switch (type) {
    case 0x0:
        if (o.marker != 0x08 && o.marker != 0x09) {
            return std::nullopt;
        }
        o.kind = Kind::Bool;
        return o;
    case 0x1:
        if (low > 4) {
            return std::nullopt;
        }
        o.kind = Kind::Integer;
        o.length = uint64_t(1) << low;
        return o.length <= room ? std::optional<Object>(o) : std::nullopt;
    case 0x2:
        if (low != 2 && low != 3) {
            return std::nullopt;
        }
        o.kind = Kind::Real;
        o.length = uint64_t(1) << low;
        return o.length <= room ? std::optional<Object>(o) : std::nullopt;
    case 0x3:
        if (o.marker != 0x33) {
            return std::nullopt;
        }
        o.kind = Kind::Date;
        o.length = 8;
        return o.length <= room ? std::optional<Object>(o) : std::nullopt;
    case 0x8:
        o.kind = Kind::Uid;
        o.length = low + 1;
        if ((o.length != 1 && o.length != 2 && o.length != 4 && o.length != 8) || o.length > room) {
            return std::nullopt;
        }
        return o;
    case 0x4:
    case 0x5:
    case 0x6:
    case 0xA:
    case 0xD:
        break;
    default:
        return std::nullopt;
    }
    uint64_t n = low;
    if (low == 0x0F) {
        // The length follows as an integer object.
        if (o.start >= m_table || (m_data[o.start] >> 4) != 0x1 || (m_data[o.start] & 0x0F) > 3) {
            return std::nullopt;
        }
        const unsigned size = 1u << (m_data[o.start] & 0x0F);
        if (o.start + 1 + size > m_table) {
            return std::nullopt;
        }
        n = readUnsigned(o.start + 1, size);
        o.start += 1 + size;
    }
    const uint64_t left = m_table - o.start;
    uint64_t unit = 1;
    switch (type) {
    case 0x4:
        o.kind = Kind::Data;
        break;
    case 0x5:
        o.kind = Kind::String;
        break;
    case 0x6:
        o.kind = Kind::Utf16String;
        unit = 2;
        break;
    case 0xA:
        o.kind = Kind::Array;
        unit = m_refSize;
        break;
    default:
        o.kind = Kind::Dict;
        unit = uint64_t(m_refSize) * 2;
        break;
    }
    if (n > left / unit) {
        return std::nullopt;
    }
    o.length = n;
    return o;
}

std::optional<uint64_t> BinaryPropertyListReader::reference(const Object& container, uint64_t k,
                                                            bool value) const {
    if ((container.kind != Kind::Array && container.kind != Kind::Dict) || k >= container.length ||
        (value && container.kind != Kind::Dict)) {
        return std::nullopt;
    }
    const uint64_t slot = value ? container.length + k : k;
    const uint64_t ref = readUnsigned(container.start + slot * m_refSize, m_refSize);
    if (ref >= m_count) {
        return std::nullopt;
    }
    return ref;
}

bool BinaryPropertyListReader::stringEquals(const Object& string, QLatin1StringView text) const {
    if (string.kind == Kind::String) {
        return string.length == static_cast<uint64_t>(text.size()) &&
               std::memcmp(m_data + string.start, text.data(), string.length) == 0;
    }
    if (string.kind == Kind::Utf16String) {
        return stringValue(string) == text;
    }
    return false;
}

std::optional<uint64_t> BinaryPropertyListReader::valueForKey(const Object& dict,
                                                              QLatin1StringView key) const {
    if (dict.kind != Kind::Dict) {
        return std::nullopt;
    }
    for (uint64_t k = 0; k < dict.length; ++k) {
        const auto keyIndex = reference(dict, k);
        const auto keyObject = keyIndex ? object(*keyIndex) : std::nullopt;
        if (keyObject && stringEquals(*keyObject, key)) {
            return reference(dict, k, true);
        }
    }
    return std::nullopt;
}

uint64_t BinaryPropertyListReader::integerValue(const Object& object) const {
    if (object.kind == Kind::Bool) {
        return object.marker == 0x09 ? 1 : 0;
    }
    if (object.kind != Kind::Integer && object.kind != Kind::Uid) {
        return 0;
    }
    // A 16-byte integer keeps its low 8 bytes.
    const uint64_t skip = object.length > 8 ? object.length - 8 : 0;
    return readUnsigned(object.start + skip, static_cast<unsigned>(object.length - skip));
}

double BinaryPropertyListReader::realValue(const Object& object) const {
    if (object.kind != Kind::Real && object.kind != Kind::Date) {
        return 0;
    }
    const uint64_t bits = readUnsigned(object.start, static_cast<unsigned>(object.length));
    if (object.length == 4) {
        float f = 0;
        const auto narrow = static_cast<uint32_t>(bits);
        std::memcpy(&f, &narrow, sizeof f);
        return f;
    }
    double d = 0;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

QByteArray BinaryPropertyListReader::dataValue(const Object& object) const {
    if (object.kind != Kind::Data) {
        return {};
    }
    return QByteArray(reinterpret_cast<const char*>(m_data + object.start),
                      static_cast<qsizetype>(object.length));
}

QString BinaryPropertyListReader::stringValue(const Object& object) const {
    if (object.kind == Kind::String) {
        // ASCII: a NUL byte makes it malformed, as U+0000 does in UTF-16, and so
        // does a byte above 0x7F (writers put such text in UTF-16).
        const auto* text = reinterpret_cast<const char*>(m_data + object.start);
        const auto length = static_cast<qsizetype>(object.length);
        for (qsizetype i = 0; i < length; ++i) {
            if (text[i] == 0 || static_cast<unsigned char>(text[i]) > 0x7F) {
                return {};
            }
        }
        return length == 0 ? QString(QLatin1String("")) : QString::fromLatin1(text, length);
    }
    if (object.kind != Kind::Utf16String) {
        return {};
    }
    QString text(static_cast<qsizetype>(object.length), Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(text.data());
    for (uint64_t i = 0; i < object.length; ++i) {
        out[i] = static_cast<char16_t>(readUnsigned(object.start + 2 * i, 2));
    }
    // Unpaired surrogates have no UTF-8 form; such a string is malformed.
    for (uint64_t i = 0; i < object.length; ++i) {
        const char16_t c = out[i];
        if (QChar::isHighSurrogate(c) && i + 1 < object.length &&
            QChar::isLowSurrogate(out[i + 1])) {
            ++i;
        } else if (QChar::isSurrogate(c) || c == 0) {
            return {};
        }
    }
    // libplist refuses an empty UTF-16 string; writers spell it in ASCII.
    return text.isEmpty() ? QString() : text;
}

QVariant BinaryPropertyListReader::toVariant() const {
    if (!m_valid) {
        return {};
    }
    Walk walk;
    walk.busy.assign(static_cast<size_t>(m_count), New);
    QVariant value = toVariant(m_top, 0, walk);
    return walk.ok ? value : QVariant();
}

QVariant BinaryPropertyListReader::toVariant(uint64_t index, int depth, Walk& walk) const {
    bool* ok = &walk.ok;
    walk.height = 0;
    const auto converted = walk.done.find(index);
    if (converted != walk.done.end()) {
        walk.visits += converted->second.size;
        walk.height = converted->second.height;
        if (walk.visits > kMaxObjectsVisited || depth + walk.height > kMaxDepth) {
            *ok = false;
            return {};
        }
        return converted->second.value;
    }
    const auto o = object(index);
    std::vector<quint8>& busy = walk.busy;
    if (!o || depth > kMaxDepth || busy[static_cast<size_t>(index)] == Busy ||
        ++walk.visits > kMaxObjectsVisited) {
        *ok = false;
        return {};
    }
    switch (o->kind) {
    case Kind::Bool:
        return QVariant(boolValue(*o));
    case Kind::Integer: {
        const uint64_t v = integerValue(*o);
        if (v <= static_cast<uint64_t>(std::numeric_limits<qint64>::max())) {
            return QVariant(static_cast<qint64>(v));
        }
        return QVariant(static_cast<quint64>(v));
    }
    case Kind::Real:
        return QVariant(realValue(*o));
    case Kind::Date: {
        const auto date = dateFromSeconds(realValue(*o));
        if (!date) {
            *ok = false;
            return {};
        }
        return QVariant(*date);
    }
    case Kind::Data:
        return QVariant(dataValue(*o));
    case Kind::String:
    case Kind::Utf16String: {
        QString text = stringValue(*o);
        if (text.isNull()) {
            *ok = false;
            return {};
        }
        return QVariant(std::move(text));
    }
    case Kind::Uid: {
        const uint64_t v = uidValue(*o);
        if (v > std::numeric_limits<uint32_t>::max()) {
            *ok = false;
            return {};
        }
        return QVariant::fromValue(PlistUid{v});
    }
    case Kind::Array:
    case Kind::Dict:
        break;
    }
    busy[static_cast<size_t>(index)] = Busy;
    const qint64 visitsBefore = walk.visits - 1;
    int height = 0;
    QVariant result;
    if (o->kind == Kind::Array) {
        QVariantList list;
        list.reserve(static_cast<qsizetype>(o->length));
        for (uint64_t k = 0; k < o->length && *ok; ++k) {
            const auto ref = reference(*o, k);
            if (!ref) {
                *ok = false;
                break;
            }
            list.append(toVariant(*ref, depth + 1, walk));
            height = std::max(height, walk.height + 1);
        }
        result = QVariant(std::move(list));
    } else {
        QVariantMap map;
        for (uint64_t k = 0; k < o->length && *ok; ++k) {
            const auto keyRef = reference(*o, k);
            const auto valueRef = reference(*o, k, true);
            const auto key = keyRef ? object(*keyRef) : std::nullopt;
            if (!valueRef || !key ||
                (key->kind != Kind::String && key->kind != Kind::Utf16String)) {
                *ok = false;
                break;
            }
            const QString name = stringValue(*key);
            if (name.isNull()) {
                *ok = false;
                break;
            }
            QVariant value = toVariant(*valueRef, depth + 1, walk);
            height = std::max(height, walk.height + 1);
            map.insert(name, std::move(value));
        }
        result = QVariant(std::move(map));
    }
    busy[static_cast<size_t>(index)] = Done;
    if (!*ok) {
        return {};
    }
    walk.height = height;
    walk.done.emplace(index, Walk::Converted{result, walk.visits - visitsBefore, height});
    return result;
}

} // namespace platform::plist
