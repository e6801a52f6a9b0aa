#pragma once

#include <QString>
#include <QVariant>

namespace testsupport {

// Reads the old-style (OpenStep) property-list text of a dictionary { k = v; }
// whose values are strings or dictionaries: strings quoted or bare (bare only
// when made of ASCII letters, digits and _$/:.-, as standard readers require).
// Quoted strings take the escapes \" \\ \n \t \r and \Uxxxx (UTF-16 units, so
// surrogate pairs join). An invalid QVariant when the text is malformed or has
// trailing text.
QVariant parseOldStylePropertyList(const QString& text);

} // namespace testsupport
