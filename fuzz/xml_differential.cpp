// The fast XML reader against libplist: whatever the fast reader accepts,
// libplist must read as the same value (compared through the XML both give).
#include "FuzzSupport.h"
#include "Platform/plist/BinaryPropertyListReader.h"
#include "Platform/plist/PropertyList.h"
#include "Platform/plist/PropertyListDepth.h"
#include "Platform/plist/PropertyListXml.h"

#include <cstdlib>
#include <plist/plist.h>

namespace {

QVariant libplistReading(const QByteArray& xml) {
    plist_t root = nullptr;
    plist_from_xml(xml.constData(), static_cast<uint32_t>(xml.size()), &root);
    if (root == nullptr) {
        return {};
    }
    char* out = nullptr;
    uint32_t length = 0;
    plist_to_bin(root, &out, &length);
    plist_free(root);
    if (out == nullptr) {
        return {};
    }
    const QByteArray binary(out, static_cast<qsizetype>(length));
    plist_to_bin_free(out);
    return platform::plist::BinaryPropertyListReader(binary).toVariant();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace platform::plist;
    const QByteArray bytes = fuzzsupport::bytes(data, size);
    const QVariant fast = xml::parse(bytes);
    if (!fast.isValid() || bytes.contains('\0') || !nestingWithin(bytes, kMaxDepth)) {
        return 0;
    }
    const QVariant general = libplistReading(bytes);
    if (fast != general && xml::serialize(fast) != xml::serialize(general)) {
        std::abort();
    }
    return 0;
}
