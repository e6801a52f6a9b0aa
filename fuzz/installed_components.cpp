// The installed-feature XML parser, which reads a file other programs write.
#include "FuzzSupport.h"
#include "ZorvaUIProject/Common/HVInstalledComponentXMLParser.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto parser = HVInstalledComponentXMLParser::initWithXml(fuzzsupport::asFile(data, size));
    if (parser) {
        (void)parser->featureInstalled();
    }
    return 0;
}
