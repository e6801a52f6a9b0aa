#pragma once

#include <QByteArray>
#include <QVariant>
#include <memory>
#include <optional>

// What the codecs of this folder and the keyed-archive reader share: libplist's
// nodes owned, its XML parser behind the binary form, and the integers of Qt.
namespace platform::plist {

struct NodeDeleter {
    void operator()(void* node) const;
};
// A libplist node (plist_t) and everything below it.
using Node = std::unique_ptr<void, NodeDeleter>;

// The XML bytes parsed by libplist and written back in binary form, so that one
// reader converts every value whatever the input form (libplist's own string
// accessors abort on an embedded NUL, its date accessor is 32 bits wide). Empty
// when libplist cannot parse them. Only for bytes without a NUL whose nesting
// has been proven shallow: libplist's parser recurses.
QByteArray binaryFromXml(const QByteArray& xml);

// A value of any of Qt's integer types as its 64-bit pattern (a negative number
// as the unsigned number of the same bits); nothing for any other type.
std::optional<quint64> integerBits(const QVariant& value);

} // namespace platform::plist
