// The RTF reader on any bytes: it must not crash, hang or grow without bound,
// and what it reads must survive being written and read again.
#include "rtfreader.h"
#include "rtfwriter.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const rtf::ReadResult first = rtf::read(QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size)));
    if (!first.ok())
        return 0;
    const rtf::ReadResult again = rtf::read(rtf::write(first.document));
    // Unicode Greek in the font "Greek" comes back as the font's codes, so
    // only the shape is compared: the same paragraphs of the same lengths.
    if (again.status != rtf::Status::Ok || again.document.paragraphs.size() != first.document.paragraphs.size())
        std::abort();
    for (qsizetype i = 0; i < first.document.paragraphs.size(); ++i) {
        const styled::Paragraph& a = first.document.paragraphs[i];
        const styled::Paragraph& b = again.document.paragraphs[i];
        if (a.length() != b.length() || a.alignment != b.alignment)
            std::abort();
    }
    return 0;
}
