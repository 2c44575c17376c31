// The pair reader on any text and attribute file: it must not crash, and a
// document it reads must come back the same after writing and reading.
#include "paircodec.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // The first two bytes say how much of the rest is the text file.
    if (size < 2)
        return 0;
    const std::size_t textSize = std::min<std::size_t>((std::size_t(data[0]) << 8 | data[1]), size - 2);
    const QByteArray text(reinterpret_cast<const char*>(data) + 2, qsizetype(textSize));
    const QByteArray runs(reinterpret_cast<const char*>(data) + 2 + textSize, qsizetype(size - 2 - textSize));
    const pair::ReadResult first = pair::read(text, runs.isEmpty() ? std::nullopt : std::optional<QByteArray>(runs));
    if (!first.loaded())
        return 0;
    const pair::Bytes written = pair::write(first.document);
    const pair::ReadResult again = pair::read(written.text, written.runs);
    if (again.status != pair::ReadResult::Ok || !(again.document == first.document))
        std::abort();
    return 0;
}
