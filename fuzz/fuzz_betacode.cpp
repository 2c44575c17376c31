// Beta Code on any text: it must not crash or hang; what it decodes into
// goes to Beta Code and back unchanged, as codes and as a document.
#include "betacode.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString beta = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const betacode::Decoded d = betacode::decode(beta);
    if (d.dropped < 0 || d.uncoded < 0)
        std::abort();
    // Encoding is total: any codes have a Beta Code form, and decoding it gives codes again.
    (void)betacode::decode(betacode::encode(d.codes));
    // A document read from Beta Code is written as Beta Code that reads back as the same text.
    const styled::CharFormat greek{QStringLiteral("Greek"), 14, 0};
    const styled::CharFormat latin{QStringLiteral("Arial"), 14, 0};
    const styled::Document read = betacode::toDocument(beta, greek, latin).document;
    const betacode::Encoded written = betacode::fromDocument(read);
    const styled::Document again = betacode::toDocument(written.text, greek, latin).document;
    // Beta Code is ASCII: other characters in it (combining marks on anything) are read as they come, not promised back.
    const bool ascii = std::all_of(beta.cbegin(), beta.cend(), [](QChar c) { return c.unicode() < 128; });
    if (ascii && written.unwritable == 0 && again.plainText() != read.plainText())
        std::abort();
    (void)betacode::fromDocument(read, betacode::LatinText::AsItIs);
    return 0;
}
