// Decryption of the bundle's encrypted pictures, on any file contents.
#include "FuzzSupport.h"
#include "ZorvaUIProject/Common/HVUtilities.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    (void)HVUtilities::decryptFile(fuzzsupport::asFile(data, size));
    return 0;
}
