#pragma once

#include <QString>
#include <QVariant>

namespace testsupport {

// Reads the old-style (OpenStep) property-list text: dictionaries { k = v; },
// arrays ( a, b ), strings quoted or bare (bare only when made of ASCII letters,
// digits and _$/:.-, as standard readers require), data <hex>. Every scalar reads as a
// string, as the format has no other. Quoted strings take the escapes \" \\ \n
// \t \r \a \b \f \v, octal \ooo and \Uxxxx (UTF-16 units, so surrogate pairs
// join). An invalid QVariant when the text is malformed or has trailing text.
QVariant parseOldStylePropertyList(const QString& text);

} // namespace testsupport
