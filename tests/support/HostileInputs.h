#pragma once

#include <QByteArray>
#include <QVariant>

// Inputs that once crashed, stalled or exhausted the property-list and
// keyed-archive readers, generated at their smallest telling size.
namespace testsupport {

// A keyed archive written by hand: "$null", then the objects; the root names
// one of them by UID.
QVariant uid(quint64 n);
QVariantMap classNamed(const QString& name);
QByteArray keyedArchive(const QVariantList& objects, const QVariant& root = uid(1));

// An XML property list with 200,000 closing tags inside markup that no parser
// counts (between `before` and `after`, e.g. "<!--" and "-->"), then 200,000
// nested arrays: more than any stack holds when a parser recurses.
QByteArray closingsHiddenIn(const QByteArray& before, const QByteArray& after);

// A binary property list of `levels` arrays that each hold the one below twice:
// 2^levels strings reached from a few bytes.
QByteArray sharedChildren(int levels);

// A keyed archive of a list of n HVDevice records whose battery data all hold
// the same archive of the next level, `levels` deep: n^levels device decodes
// when nested archives are decoded per record.
QByteArray nestedDeviceLists(int n, int levels);

// A keyed archive whose root is the string "x" and whose "$objects" holds it n
// times more, one byte a reference.
QByteArray longObjectTable(int n);

// What libplist reads in XML or binary bytes: its parser, then its binary
// writer, read back by the in-place reader. The oracle the project's readers
// are held against.
QVariant libplistReading(const QByteArray& bytes);

} // namespace testsupport
