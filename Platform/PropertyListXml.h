#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>
#include <optional>

// A fast codec for the XML form of property lists, for files that are read and
// rewritten often (the per-user preference file with its device registry).
//
// It handles the form property-list writers produce: an optional XML declaration,
// document type and comments, then <plist> around one value made of dict, key,
// array, string, integer, real, true, false, data and date elements, with the five
// predefined entities and character references. Anything else (attributes on value
// elements, CDATA sections, control characters, values without an XML form) makes
// it give up with an invalid QVariant or an empty array: the caller then uses the
// general codec of PropertyList.h, which also decides what is malformed. Values map
// to Qt types exactly as there.
namespace platform::plist::xml {

QVariant parse(const QByteArray& bytes);
QByteArray serialize(const QVariant& value);

// parse(), else the general codec: the root must be a dictionary.
std::optional<QVariantMap> readDictionary(const QString& path);
// serialize(), else the general codec, written atomically.
bool writeFile(const QString& path, const QVariant& value);

} // namespace platform::plist::xml
