// A Word document on any bytes (a zip archive, or what looks like one): it must
// not crash, hang or run out of memory; what it takes is a document of at
// least one paragraph, and a refusal says why.
#include "docxreader.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray file(reinterpret_cast<const char*>(data), qsizetype(size));
    const docx::ReadResult r = docx::read(file);
    if (!r.ok()) {
        if (r.message().isEmpty())
            std::abort();
        return 0;
    }
    if (r.document.paragraphs.isEmpty())
        std::abort();
    return 0;
}
