#include "Platform/plist/Libplist.h"

#include <plist/plist.h>

namespace platform::plist {

void NodeDeleter::operator()(void* node) const {
    plist_free(static_cast<plist_t>(node));
}

QByteArray binaryFromXml(const QByteArray& xml) {
    plist_t raw = nullptr;
    plist_from_xml(xml.constData(), static_cast<uint32_t>(xml.size()), &raw);
    const Node root(raw);
    if (!root) {
        return {};
    }
    char* out = nullptr;
    uint32_t length = 0;
    plist_to_bin(root.get(), &out, &length);
    if (out == nullptr) {
        return {};
    }
    QByteArray binary(out, static_cast<qsizetype>(length));
    plist_to_bin_free(out);
    return binary;
}

std::optional<quint64> integerBits(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::Char:
    case QMetaType::SChar:
        return static_cast<quint64>(value.toLongLong());
    case QMetaType::UInt:
    case QMetaType::ULong:
    case QMetaType::ULongLong:
    case QMetaType::UShort:
    case QMetaType::UChar:
        return value.toULongLong();
    default:
        return std::nullopt;
    }
}

} // namespace platform::plist
