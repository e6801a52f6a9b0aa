#include "Platform/plist/BinaryPropertyListWriter.h"

#include <cstring>

namespace platform::plist {

namespace {

void putBigEndian(std::string* out, uint64_t value, int size) {
    char buffer[8] = {};
    for (int i = size - 1; i >= 0; --i) {
        buffer[i] = static_cast<char>(value & 0xFF);
        value >>= 8;
    }
    out->append(buffer, static_cast<size_t>(size));
}

int sizeFor(uint64_t value) {
    if (value <= 0xFF) {
        return 1;
    }
    if (value <= 0xFFFF) {
        return 2;
    }
    if (value <= 0xFFFFFFFFULL) {
        return 4;
    }
    return 8;
}

int log2Size(int size) {
    return size == 1 ? 0 : size == 2 ? 1 : size == 4 ? 2 : 3;
}

void putInteger(std::string* out, uint64_t bits, bool negative) {
    const int size = negative ? 8 : sizeFor(bits);
    out->push_back(static_cast<char>(0x10 | log2Size(size)));
    putBigEndian(out, bits, size);
}

// A marker with its element count: in the low nibble, or as an integer after it.
void putMarker(std::string* out, int type, uint64_t count) {
    if (count < 15) {
        out->push_back(static_cast<char>((type << 4) | static_cast<int>(count)));
    } else {
        out->push_back(static_cast<char>((type << 4) | 0x0F));
        putInteger(out, count, false);
    }
}

} // namespace

BinaryPropertyListWriter::Ref BinaryPropertyListWriter::add(const Object& object) {
    m_objects.push_back(object);
    return static_cast<Ref>(m_objects.size() - 1);
}

BinaryPropertyListWriter::Ref BinaryPropertyListWriter::addBytes(Kind kind, const char* bytes,
                                                                 size_t length) {
    Object object{kind, m_pool.size(), static_cast<uint32_t>(length)};
    m_pool.append(bytes, length);
    return add(object);
}

BinaryPropertyListWriter::Ref BinaryPropertyListWriter::string(const QString& text) {
    const auto found = m_strings.constFind(text);
    if (found != m_strings.cend()) {
        return found.value();
    }
    bool ascii = true;
    for (QChar c : text) {
        if (c.unicode() >= 0x80) {
            ascii = false;
            break;
        }
    }
    Ref ref = 0;
    if (ascii) {
        const size_t start = m_pool.size();
        m_pool.resize(start + static_cast<size_t>(text.size()));
        for (qsizetype i = 0; i < text.size(); ++i) {
            m_pool[start + static_cast<size_t>(i)] = static_cast<char>(text.at(i).unicode());
        }
        ref = add(Object{Kind::Ascii, start, static_cast<uint32_t>(text.size())});
    } else {
        const size_t start = m_pool.size();
        for (QChar c : text) {
            m_pool.push_back(static_cast<char>(c.unicode() >> 8));
            m_pool.push_back(static_cast<char>(c.unicode() & 0xFF));
        }
        ref = add(Object{Kind::Utf16, start, static_cast<uint32_t>(text.size())});
    }
    m_strings.insert(text, ref);
    return ref;
}

BinaryPropertyListWriter::Ref BinaryPropertyListWriter::integer(int64_t value) {
    const auto found = m_integers.constFind(value);
    if (found != m_integers.cend()) {
        return found.value();
    }
    const Ref ref = add(Object{Kind::Int, static_cast<uint64_t>(value)});
    m_integers.insert(value, ref);
    return ref;
}

BinaryPropertyListWriter::Ref BinaryPropertyListWriter::real(double value) {
    uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return add(Object{Kind::Real, bits});
}

BinaryPropertyListWriter::Ref BinaryPropertyListWriter::boolean(bool value) {
    Ref& cached = value ? m_true : m_false;
    if (cached == kNone) {
        cached = add(Object{Kind::Bool, value ? 1U : 0U});
    }
    return cached;
}

BinaryPropertyListWriter::Ref BinaryPropertyListWriter::data(const QByteArray& bytes) {
    return addBytes(Kind::Data, bytes.constData(), static_cast<size_t>(bytes.size()));
}

BinaryPropertyListWriter::Ref BinaryPropertyListWriter::uid(uint64_t value) {
    const auto found = m_uids.constFind(value);
    if (found != m_uids.cend()) {
        return found.value();
    }
    const Ref ref = add(Object{Kind::Uid, value});
    m_uids.insert(value, ref);
    return ref;
}

BinaryPropertyListWriter::Ref BinaryPropertyListWriter::array() {
    return add(Object{Kind::Array});
}

BinaryPropertyListWriter::Ref BinaryPropertyListWriter::dictionary() {
    return add(Object{Kind::Dict});
}

void BinaryPropertyListWriter::link(Ref container, Ref key, Ref value) {
    Object& object = m_objects[container];
    const auto index = static_cast<uint32_t>(m_elements.size());
    m_elements.push_back(Element{key, value, kNone});
    if (object.last == kNone) {
        object.first = index;
    } else {
        m_elements[object.last].next = index;
    }
    object.last = index;
    ++object.length;
}

void BinaryPropertyListWriter::append(Ref array, Ref item) {
    link(array, 0, item);
}

void BinaryPropertyListWriter::insert(Ref dictionary, Ref key, Ref value) {
    for (uint32_t e = m_objects[dictionary].first; e != kNone; e = m_elements[e].next) {
        if (m_elements[e].key == key) {
            m_elements[e].value = value;
            return;
        }
    }
    link(dictionary, key, value);
}

QByteArray BinaryPropertyListWriter::finish(Ref top) const {
    const uint64_t count = m_objects.size();
    const int refSize = sizeFor(count);
    std::string out;
    out.reserve(m_pool.size() + (m_objects.size() + m_elements.size() * 2) * 4 + 64);
    out.append("bplist00", 8);
    std::vector<uint64_t> offsets;
    offsets.reserve(count);
    for (const Object& object : m_objects) {
        offsets.push_back(out.size());
        switch (object.kind) {
        case Kind::Bool:
            out.push_back(static_cast<char>(object.number != 0 ? 0x09 : 0x08));
            break;
        case Kind::Int:
            putInteger(&out, object.number, static_cast<int64_t>(object.number) < 0);
            break;
        case Kind::Real:
            out.push_back(static_cast<char>(0x23));
            putBigEndian(&out, object.number, 8);
            break;
        case Kind::Data:
        case Kind::Ascii:
            putMarker(&out, object.kind == Kind::Data ? 0x4 : 0x5, object.length);
            out.append(m_pool, object.number, object.length);
            break;
        case Kind::Utf16:
            putMarker(&out, 0x6, object.length);
            out.append(m_pool, object.number, object.length * 2U);
            break;
        case Kind::Uid: {
            const int size = sizeFor(object.number);
            out.push_back(static_cast<char>(0x80 | (size - 1)));
            putBigEndian(&out, object.number, size);
            break;
        }
        case Kind::Array:
        case Kind::Dict: {
            const bool dict = object.kind == Kind::Dict;
            putMarker(&out, dict ? 0xD : 0xA, object.length);
            if (dict) {
                for (uint32_t e = object.first; e != kNone; e = m_elements[e].next) {
                    putBigEndian(&out, m_elements[e].key, refSize);
                }
            }
            for (uint32_t e = object.first; e != kNone; e = m_elements[e].next) {
                putBigEndian(&out, m_elements[e].value, refSize);
            }
            break;
        }
        }
    }
    const uint64_t table = out.size();
    const int offsetSize = sizeFor(table);
    for (uint64_t offset : offsets) {
        putBigEndian(&out, offset, offsetSize);
    }
    out.append(6, '\0');
    out.push_back(static_cast<char>(offsetSize));
    out.push_back(static_cast<char>(refSize));
    putBigEndian(&out, count, 8);
    putBigEndian(&out, top, 8);
    putBigEndian(&out, table, 8);
    return QByteArray(out.data(), static_cast<qsizetype>(out.size()));
}

} // namespace platform::plist
