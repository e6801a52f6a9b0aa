// The in-place binary property-list reader and the nesting check beside it.
#include "FuzzSupport.h"
#include "Platform/plist/BinaryPropertyListReader.h"
#include "Platform/plist/PropertyList.h"
#include "Platform/plist/PropertyListDepth.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes = fuzzsupport::bytes(data, size);
    const platform::plist::BinaryPropertyListReader reader(bytes);
    (void)reader.toVariant();
    (void)platform::plist::nestingWithin(bytes, platform::plist::kMaxDepth);
    return 0;
}
