#pragma once

#include <QString>
#include <QVariant>
#include <functional>

// The text a value prints as when written into a trace line with %@, and the
// old-style property-list text of dictionaries and arrays:
//   absent          (null)
//   string          as is at top level; inside a collection quoted when needed
//   number, bool    decimal (a bool prints 1 or 0)
//   data            <0a1b2c3d>
//   date            2001-01-01 00:00:00 +0000
//   array           (\n    a,\n    b\n)
//   dictionary      {\n    key = value;\n}   keys in ascending order
namespace platform {

QString describe(const QVariant& value);

// Quotes a string for the old-style property-list text when it is not made only
// of letters, digits and _$/:.-, escaping quotes, backslashes, control
// characters and non-ASCII characters (\Unnnn).
QString quotedPropertyListString(const QString& text);

// Values of types unknown here (records) are described by the first describer
// that answers a non-null string. Register at start-up, before describing.
using Describer = std::function<QString(const QVariant& value, int indent)>;
void registerDescriber(Describer describer);

// For describers that nest values: the description at a given indentation level.
QString describeIndented(const QVariant& value, int indent);

} // namespace platform
