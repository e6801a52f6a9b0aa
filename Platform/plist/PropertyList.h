#pragma once

#include <QByteArray>
#include <QDateTime>
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

// The work of one decode is bounded too: reading a property list, or a keyed
// archive together with every archive nested in its data objects, visits at
// most this many objects. An element counts at each place it is referenced, so
// a small binary list whose containers share their children (24 levels of
// [a, a] are 138 bytes) cannot make a reader build millions of values. Inputs
// that need more are refused as malformed.
constexpr qint64 kMaxObjectsVisited = qint64(1) << 20;

// Dates as property lists hold them: seconds since 2001-01-01 00:00 UTC, a
// fraction of a second counting forward in time on either side of that
// epoch. Dates are kept to the millisecond, in the years 1 to 9999; nothing
// for a time outside them (or not a number).
std::optional<QDateTime> dateFromSeconds(double secondsSince2001);
double secondsFromDate(const QDateTime& date);

// Parses XML or binary property-list bytes. An invalid QVariant when the bytes
// are not a property list (malformed, truncated, garbage, too deep, too much
// work, a string holding U+0000, a date outside the years 1 to 9999).
//
// Binary lists are read in place (BinaryPropertyListReader). XML goes through
// the fast reader of PropertyListXml.h; what it does not handle is parsed by
// libplist, but only once its nesting has been proven shallow and it holds no
// NUL byte, and is then read through libplist's binary form, so that every
// value is converted by the same code whatever the input form. Strings keep a
// leading U+FEFF in every form.
QVariant fromData(const QByteArray& bytes);

// Serialises a value; an empty array when the value holds a type with no
// property-list form. XML is written by the fast writer of PropertyListXml.h
// where it can; libplist writes the rest and refuses dates it would not keep
// (more than 2^31 seconds from 2001, the years before 1932 or after 2069).
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
