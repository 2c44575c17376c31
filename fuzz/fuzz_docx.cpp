// A Word document on any bytes (a zip archive, or what looks like one): it must
// not crash, hang or run out of memory; what it takes is a document of at
// least one paragraph, and a refusal says why.
#include "docxreader.h"
#include "documentread.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    return checkDocumentRead(docx::read(fuzzBytes(data, size)));
}
