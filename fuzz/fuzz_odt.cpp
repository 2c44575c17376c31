// OpenDocument text on any bytes (a zip archive or a flat XML file): it must
// not crash, hang or run out of memory; what it takes is a document of at
// least one paragraph, and a refusal says why.
#include "documentread.h"
#include "odtreader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    return checkDocumentRead(odt::read(fuzzBytes(data, size)));
}
