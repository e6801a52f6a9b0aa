#pragma once

#include <QByteArray>
#include <QMetaType>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <memory>

// Keyed archives: Apple's published keyed-archive format, written as a binary
// property list and read from binary or XML property lists.
//
//   { "$archiver" = "NSKeyedArchiver"; "$version" = 100000;
//     "$top" = { root = UID(n) }; "$objects" = ( "$null", ... ) }
//
// Values and their archived forms:
//   absent (invalid QVariant, null QString,
//           null std::shared_ptr)           UID 0, the "$null" entry
//   QString                                 a string in "$objects"
//   bool, integers, double                  a number in "$objects"
//   QByteArray                              data in "$objects"
//   QDateTime                               NSDate { NS.time = seconds since 2001 }
//   QVariantList, QStringList               NSMutableArray { NS.objects = (UIDs) }
//   QVariantMap, std::shared_ptr<QVariantMap>
//                                           NSMutableDictionary { NS.keys, NS.objects }
//   std::shared_ptr<T> of a registered record class
//                                           { $class = UID; <its keys> }
//
// Reading gives the same Qt types back: every integer comes back as qint64
// holding the 64 bits as written (an unsigned value at or above 2^63 reads as
// the negative number with the same bits, as in the format itself), immutable
// and mutable collection classes alike give QVariantList / QVariantMap, and
// strings in NSString form ("NS.string") or data in NSData form ("NS.data")
// are accepted too. An object referenced twice (the same shared_ptr, the same
// component entry, an equal string) is written once; reading such an archive
// gives the very same shared_ptr at both places.
//
// Failures never throw. Writing a value with no archived form, or nesting
// deeper than kMaxArchiveDepth, gives an empty array and a trace line.
// Reading data that is not a keyed archive, truncated, with references out of
// range, reference cycles, unknown class names or nesting deeper than
// kMaxArchiveDepth gives an invalid QVariant and a trace line. A value of the
// wrong kind under a key a record knows makes only that field absent (0,
// false), with a trace line.
namespace platform {

class KeyedArchiver;
class KeyedUnarchiver;

// Objects nested deeper than this (records in collections in records ...) are
// refused, when writing and when reading. Archives nested in data objects of
// other archives (a device's battery record) count separately, up to
// kMaxNestedArchives levels. Beside the depth, the work of reading is bounded:
// one top-level archive, with every archive nested in it, visits at most
// plist::kMaxObjectsVisited objects (each reference followed counts, and a
// nested archive held by several records is decoded once but counted for
// each), or it is refused. Per-object state is kept only for the objects a
// reference reaches.
constexpr int kMaxArchiveDepth = 128;
constexpr int kMaxNestedArchives = 8;

// The binary property list of a keyed archive whose root object is `root`;
// an empty array for an absent root or a value that cannot be archived.
QByteArray archivedDataWithRootObject(const QVariant& root);

// A complete keyed archive whose root is absent ("$top" root = UID 0), the
// form other writers of the format give to "nothing".
QByteArray archivedDataWithAbsentRoot();

// The root object of a keyed archive (binary or XML property list); an
// invalid QVariant for empty or malformed data, with a trace line for the
// malformed.
QVariant unarchiveObjectWithData(const QByteArray& data);

// A record class known to the codec: how a value held in a QVariant (always a
// std::shared_ptr<T>) is written, how it is built back from an archive, and
// how it prints in trace lines (%@).
struct ArchivableClass {
    QString className;   // "$classname"
    QStringList classes; // "$classes", the class first; empty means { className, "NSObject" }
    QMetaType type;      // the metatype of std::shared_ptr<T>
    std::function<void(const QVariant& object, KeyedArchiver& coder)> encode;
    // An invalid QVariant when no record can be built.
    std::function<QVariant(KeyedUnarchiver& coder)> decode;
    // Text for %@ at an indentation level (platform::describeIndented); may be empty.
    std::function<QString(const QVariant& object, int indent)> describe;
    // The object's identity (the record's address), so that a record held at
    // two places is written once; may be empty, or answer null for absent.
    std::function<const void*(const QVariant& object)> identity;
};

// Adds (or replaces, by class name) a record class. Safe from any thread;
// registering the same class again is harmless.
void registerArchivableClass(ArchivableClass cls);

// True when a class of that name is registered.
bool isArchivableClassRegistered(const QString& className);

// Registers a record class T that offers
//   void encodeWithCoder(platform::KeyedArchiver& coder) const;
//   static std::shared_ptr<T> initWithCoder(platform::KeyedUnarchiver& coder);
//   QString description(int indent) const;
template <class T>
void registerArchivableRecord(const QString& className) {
    ArchivableClass cls;
    cls.className = className;
    cls.type = QMetaType::fromType<std::shared_ptr<T>>();
    cls.encode = [](const QVariant& object, KeyedArchiver& coder) {
        if (const auto record = object.value<std::shared_ptr<T>>()) {
            record->encodeWithCoder(coder);
        }
    };
    cls.decode = [](KeyedUnarchiver& coder) -> QVariant {
        std::shared_ptr<T> record = T::initWithCoder(coder);
        return record ? QVariant::fromValue(record) : QVariant();
    };
    cls.describe = [](const QVariant& object, int indent) -> QString {
        const auto record = object.value<std::shared_ptr<T>>();
        return record ? record->description(indent) : QStringLiteral("(null)");
    };
    cls.identity = [](const QVariant& object) -> const void* {
        return object.value<std::shared_ptr<T>>().get();
    };
    registerArchivableClass(std::move(cls));
}

namespace detail {
class ArchiveWriter;
class ArchiveReader;
} // namespace detail

// What a record's encodeWithCoder writes into: the keys of one archived object,
// in the order they are written. Only the codec creates coders.
class KeyedArchiver {
public:
    KeyedArchiver(const KeyedArchiver&) = delete;
    KeyedArchiver& operator=(const KeyedArchiver&) = delete;

    // Any archivable value (absent included) by reference.
    void encodeObject(const QVariant& object, const QString& forKey);
    void encodeBool(bool value, const QString& forKey);
    void encodeInt32(qint32 value, const QString& forKey);
    void encodeInt64(qint64 value, const QString& forKey);
    void encodeDouble(double value, const QString& forKey);

private:
    friend class detail::ArchiveWriter;
    KeyedArchiver(detail::ArchiveWriter& writer, quint32 object);

    detail::ArchiveWriter& m_writer;
    quint32 m_object; // the archived object's dictionary in the writer
};

// What a record's initWithCoder reads from: the keys of one archived object.
// A missing key gives the absent value (invalid QVariant, null QString, 0,
// false) without a trace; a value of the wrong kind gives the same with a
// trace line naming the class and the key.
class KeyedUnarchiver {
public:
    KeyedUnarchiver(const KeyedUnarchiver&) = delete;
    KeyedUnarchiver& operator=(const KeyedUnarchiver&) = delete;

    QString className() const;
    bool containsValueForKey(const QString& key) const;

    QVariant decodeObjectForKey(const QString& key);
    bool decodeBoolForKey(const QString& key);
    qint32 decodeInt32ForKey(const QString& key);
    qint64 decodeInt64ForKey(const QString& key);
    double decodeDoubleForKey(const QString& key);

    // Typed object reads: the object under the key when it has that kind.
    QString decodeStringForKey(const QString& key);
    QByteArray decodeDataForKey(const QString& key); // null QByteArray when absent
    QVariant decodeNumberForKey(const QString& key); // bool, qint64 or double
    QVariant decodeListForKey(const QString& key);   // QVariantList
    QVariant decodeMapForKey(const QString& key);    // QVariantMap
    template <class T>
    std::shared_ptr<T> decodeRecordForKey(const QString& key) {
        const QVariant object = decodeObjectForKey(key);
        if (!object.isValid()) {
            return nullptr;
        }
        if (object.metaType() != QMetaType::fromType<std::shared_ptr<T>>()) {
            traceWrongKind(key, QStringLiteral("record"));
            return nullptr;
        }
        return object.value<std::shared_ptr<T>>();
    }

    // Writes the trace line for a value of the wrong kind under a key.
    void traceWrongKind(const QString& key, const QString& expected) const;

private:
    friend class detail::ArchiveReader;
    KeyedUnarchiver(detail::ArchiveReader& reader, void* object, QString className);

    detail::ArchiveReader& m_reader;
    void* m_object; // the archived object's dictionary, owned by the parsed archive
    QString m_className;
};

} // namespace platform

Q_DECLARE_METATYPE(std::shared_ptr<QVariantMap>)
