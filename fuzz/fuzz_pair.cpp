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
    const pair::Bytes written = pair::write(first.document);
    pair::ReadResult again = pair::read(written.text, written.runs);
    // An empty last paragraph has no position of its own in the pair: its
    // alignment is the line end's before it, whatever the first file said.
    styled::Document expected = first.document;
    if (expected.paragraphs.size() > 1 && expected.paragraphs.last().runs.isEmpty())
        expected.paragraphs.last().alignment = expected.paragraphs[expected.paragraphs.size() - 2].alignment;
    if (again.status != pair::Status::Ok || !(again.document == expected))
        std::abort();
    return 0;
}
