// The Unicode mapping alone on 10 MiB of Greek: export (codes to Unicode)
// and import (Unicode back to codes), in megabytes of the 8-bit text a second.
#include "codepage.h"
#include "unicodegreek.h"

#include <QElapsedTimer>
#include <QRandomGenerator>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

int main(int argc, char* argv[])
{
    // Greek words of letters and composed codes, with capitals after their breathings.
    const int letters[] = {'a', 'b', 'g', 'd', 'e', 'z', 'h', 'q', 'i', 'k', 'l', 'm', 'n', 'c', 'o', 'p', 'r', 's',
                           't', 'u', 'f', 'x', 'y', 'w', 161, 164, 187, 210, 232, 238, 133, 173, 224};
    QRandomGenerator rng(1);
    QString text;
    const int size = argc > 1 ? std::atoi(argv[1]) : 10 << 20;
    text.reserve(size + 16);
    while (text.size() < size) {
        if (rng.bounded(8) == 0) {
            text += codepage::toChar(96);
            text += QLatin1Char("AEHIORUW"[rng.bounded(8)]);
        }
        for (int k = 2 + int(rng.bounded(7)); k > 0; --k)
            text += codepage::toChar(uchar(letters[rng.bounded(int(std::size(letters)))]));
        text += QLatin1Char(rng.bounded(10) == 0 ? 'j' : ' ');
    }
    std::vector<double> exportMBs, importMBs;
    for (int r = 0; r < 5; ++r) {
        QElapsedTimer t;
        t.start();
        const QString unicode = unicodegreek::exportGreek(text);
        exportMBs.push_back(text.size() / 1e6 / (t.nsecsElapsed() / 1e9));
        t.restart();
        const unicodegreek::Imported back = unicodegreek::importGreek(unicode);
        importMBs.push_back(text.size() / 1e6 / (t.nsecsElapsed() / 1e9));
        if (back.codes != text) {
            std::fprintf(stderr, "round trip differs\n");
            return 1;
        }
    }
    std::sort(exportMBs.begin(), exportMBs.end());
    std::sort(importMBs.begin(), importMBs.end());
    std::printf("%lld codes of Greek text\n", (long long)text.size());
    std::printf("  export: %6.1f MB/s (median of 5)\n", exportMBs[2]);
    std::printf("  import: %6.1f MB/s (median of 5)\n", importMBs[2]);
    return 0;
}
