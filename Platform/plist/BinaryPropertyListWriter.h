#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <cstdint>
#include <string>
#include <vector>

namespace platform::plist {

// Builds a binary property list ("bplist00") object by object, without an
// intermediate tree: every value is an object numbered in order of creation,
// containers hold the numbers of their elements. Equal strings, integers and
// UIDs are stored once. Used where archives are written often (every message
// to and from the device service), so it allocates little: payload bytes share
// one pool and container elements one list.
class BinaryPropertyListWriter {
public:
    using Ref = uint32_t;

    Ref string(const QString& text);
    Ref integer(int64_t value); // negative values take 8 bytes, as the format reads them signed
    Ref real(double value);
    Ref boolean(bool value);
    Ref data(const QByteArray& bytes);
    Ref uid(uint64_t value);
    Ref array();
    Ref dictionary();

    void append(Ref array, Ref item);
    // A key inserted again replaces its value.
    void insert(Ref dictionary, Ref key, Ref value);

    // The bytes of the list whose root object is `top`.
    QByteArray finish(Ref top) const;

private:
    enum class Kind : uint8_t { Bool, Int, Real, Data, Ascii, Utf16, Uid, Array, Dict };
    static constexpr uint32_t kNone = UINT32_MAX;
    struct Object {
        Kind kind;
        uint64_t number = 0;    // Int and Uid bits, Real bits, Bool; pool offset of bytes
        uint32_t length = 0;    // bytes in the pool; elements of a container
        uint32_t first = kNone; // a container's first element in m_elements
        uint32_t last = kNone;
    };
    struct Element {
        Ref key; // unused in arrays
        Ref value;
        uint32_t next;
    };

    Ref add(const Object& object);
    Ref addBytes(Kind kind, const char* bytes, size_t length);
    void link(Ref container, Ref key, Ref value);

    std::vector<Object> m_objects;
    std::vector<Element> m_elements;
    std::string m_pool;
    QHash<QString, Ref> m_strings;
    QHash<int64_t, Ref> m_integers;
    QHash<uint64_t, Ref> m_uids;
    Ref m_true = kNone;
    Ref m_false = kNone;
};

} // namespace platform::plist
