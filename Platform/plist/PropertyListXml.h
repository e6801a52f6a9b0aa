#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>
#include <optional>

// A fast codec for the XML form of property lists, for files that are read and
// rewritten often (the per-user preference file with its device registry). The
// entry points of PropertyList.h use it first; nothing else needs to.
//
// It handles the form property-list writers produce: an optional XML declaration,
// document type and comments, then <plist> around one value made of dict, key,
// array, string, integer, real, true, false, data and date elements, with the five
// predefined entities and character references. Anything else (attributes on value
// elements, CDATA sections, control characters, values without an XML form) makes
// it give up with an invalid QVariant or an empty array: the caller then uses the
// general codec of PropertyList.h, which also decides what is malformed. Values map
// to Qt types exactly as there.
//
// What it reads, libplist reads the same: where the two would differ it gives up,
// and the reading of libplist (through the general codec) is the project's. So it
// leaves to libplist integers with a leading zero (octal there) or a sign other
// than '-', base64 without its padding (the unpadded last group is dropped there),
// and text that is not UTF-8. Both keep a leading U+FEFF in strings, and both read
// dates in the years 1 to 9999 (libplist's own date accessor would wrap those
// outside 1932-2069; the general codec does not use it).
namespace platform::plist::xml {

QVariant parse(const QByteArray& bytes);
QByteArray serialize(const QVariant& value);

} // namespace platform::plist::xml
