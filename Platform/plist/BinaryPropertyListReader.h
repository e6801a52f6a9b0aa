#pragma once

#include <QByteArray>
#include <QLatin1StringView>
#include <QString>
#include <QVariant>
#include <cstdint>
#include <optional>
#include <vector>

namespace platform::plist {

// Reads a binary property list ("bplist00") in place, without building a tree:
// objects are looked up by their index in the offset table and decoded when
// asked for. Every read is checked against the bounds of the bytes, so a
// truncated or corrupted list yields failures, never reads outside them.
// The bytes must outlive the reader.
class BinaryPropertyListReader {
public:
    enum class Kind : quint8 {
        Bool,
        Integer,
        Real,
        Date,
        Data,
        String,
        Utf16String,
        Uid,
        Array,
        Dict
    };

    struct Object {
        Kind kind = Kind::Bool;
        quint8 marker = 0;
        uint64_t start = 0;  // where the payload (or the references) begins
        uint64_t length = 0; // bytes of a scalar, characters, elements or pairs
    };

    explicit BinaryPropertyListReader(const QByteArray& bytes);

    // Whether the header and trailer describe a list that fits in the bytes.
    bool isValid() const { return m_valid; }
    uint64_t objectCount() const { return m_count; }
    uint64_t topObject() const { return m_top; }

    // The object at that index; nothing when it is out of range or malformed.
    std::optional<Object> object(uint64_t index) const;

    // The index of element k of an array, key k of a dictionary, or (with
    // value = true) the value of pair k; nothing when out of range.
    std::optional<uint64_t> reference(const Object& container, uint64_t k,
                                      bool value = false) const;

    // The value under an ASCII key of a dictionary (the first pair with it).
    std::optional<uint64_t> valueForKey(const Object& dict, QLatin1StringView key) const;

    // Whether the object is a string equal to the ASCII text.
    bool stringEquals(const Object& string, QLatin1StringView text) const;

    bool boolValue(const Object& object) const { return object.marker == 0x09; }
    // Integers as their 64-bit pattern (the low 8 bytes of a 16-byte integer).
    uint64_t integerValue(const Object& object) const;
    double realValue(const Object& object) const; // reals and dates
    uint64_t uidValue(const Object& object) const { return integerValue(object); }
    QByteArray dataValue(const Object& object) const;
    // Null for a malformed (or empty) UTF-16 string and for a string holding
    // U+0000.
    QString stringValue(const Object& object) const;

    // The whole list as Qt values, mapped as platform::plist::fromData maps
    // them; an invalid QVariant when the list is malformed, a container holds
    // itself, nesting goes deeper than kMaxDepth or the values would take more
    // than kMaxObjectsVisited objects (a child shared by n containers counts n
    // times).
    QVariant toVariant() const;

private:
    struct Walk;
    uint64_t readUnsigned(uint64_t at, unsigned size) const;
    QVariant toVariant(uint64_t index, int depth, Walk& walk) const;

    const unsigned char* m_data = nullptr;
    uint64_t m_size = 0;
    uint64_t m_table = 0; // the offset table; objects lie before it
    uint64_t m_count = 0;
    uint64_t m_top = 0;
    unsigned m_offsetSize = 0;
    unsigned m_refSize = 0;
    bool m_valid = false;
};

} // namespace platform::plist
