#pragma once

#include <QByteArray>
#include <QMetaType>
#include <QString>
#include <QVariant>
#include <optional>

// Property lists (XML and binary) as Qt values, through libplist.
//
// Value mapping, both ways:
//   dictionary <-> QVariantMap          array   <-> QVariantList
//   string     <-> QString              integer <-> qint64 (quint64 above INT64_MAX)
//   real       <-> double               boolean <-> bool
//   data       <-> QByteArray           date    <-> QDateTime (UTC)
//   UID        <-> platform::PlistUid   (binary property lists of keyed archives)
// Smaller integer types (int, uint, qint32 ...) are written as integers too.
namespace platform {

struct PlistUid {
    quint64 value = 0;
    bool operator==(const PlistUid&) const = default;
};

namespace plist {

enum class Format { Xml, Binary };

// Nesting deeper than this is refused as malformed.
constexpr int kMaxDepth = 256;

// Parses XML or binary property-list bytes. An invalid QVariant when the bytes
// are not a property list (malformed, truncated, garbage, too deep).
QVariant fromData(const QByteArray& bytes);

// Serialises a value; an empty array when the value holds a type with no
// property-list form.
QByteArray toData(const QVariant& value, Format format);

// Reads a whole file; an invalid QVariant when it cannot be read or parsed.
QVariant readFile(const QString& path);

// Reads a file whose root must be a dictionary.
std::optional<QVariantMap> readDictionary(const QString& path);

// Writes the value to the path atomically (a temporary file replaces the old
// one only when everything was written). False on any failure; the old file is
// then untouched.
bool writeFile(const QString& path, const QVariant& value, Format format = Format::Xml);

} // namespace plist
} // namespace platform

Q_DECLARE_METATYPE(platform::PlistUid)
