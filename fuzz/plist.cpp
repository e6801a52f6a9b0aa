// The general entry point (fast XML reader, libplist behind the depth and NUL
// checks, binary reader); what the fast writer writes of its result must read
// back as the same value.
#include "FuzzSupport.h"
#include "Platform/plist/PropertyList.h"
#include "Platform/plist/PropertyListXml.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace platform::plist;
    const QVariant value = fromData(fuzzsupport::bytes(data, size));
    if (!value.isValid()) {
        return 0;
    }
    (void)toData(value, Format::Xml);
    (void)toData(value, Format::Binary);
    // Compared as text: dates lose their fraction in XML, and reals that are
    // not numbers compare unequal.
    const QByteArray xml = xml::serialize(value);
    if (!xml.isEmpty() && xml::serialize(fromData(xml)) != xml) {
        std::abort();
    }
    return 0;
}
