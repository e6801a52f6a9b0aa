// The keyed unarchiver with every record class registered, as the device
// service's replies and calls reach it; what it reads must archive again.
#include "FuzzSupport.h"
#include "Platform/ObjectDescription.h"
#include "Platform/archive/KeyedArchive.h"
#include "ZorvaUIProject/Common/HVArchivableRecords.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QVariant root = platform::unarchiveObjectWithData(fuzzsupport::bytes(data, size));
    if (root.isValid()) {
        (void)platform::archivedDataWithRootObject(root);
        (void)platform::describeIndented(root, 0);
    }
    return 0;
}
