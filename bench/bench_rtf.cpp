// The RTF codec alone, without a window: reading and writing throughput on
// a 10 MiB document with frequent font, size and style changes. Prints
// megabytes per second (of the RTF bytes) as the median of several rounds.
#include "benchdocs.h"
#include "rtfreader.h"
#include "rtfwriter.h"

#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {


} // namespace

int main(int argc, char* argv[])
{
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    // About 9,000 paragraphs and 140,000 runs, as a long book with much markup.
    const styled::Document model = benchdocs::make(1'450'000, 140'000, 161);
    std::vector<double> readMBs, writeMBs;
    QByteArray bytes;
    for (int r = 0; r < rounds; ++r) {
        QElapsedTimer t;
        t.start();
        bytes = rtf::write(model);
        writeMBs.push_back(bytes.size() / 1e6 / (t.nsecsElapsed() / 1e9));
        t.restart();
        const rtf::ReadResult back = rtf::read(bytes);
        readMBs.push_back(bytes.size() / 1e6 / (t.nsecsElapsed() / 1e9));
        if (!(back.document == model)) {
            std::fprintf(stderr, "round trip differs\n");
            return 1;
        }
    }
    std::printf("RTF of %.1f MiB, %lld paragraphs, %d runs\n", bytes.size() / 1048576.0,
                (long long)model.paragraphs.size(), [&] {
                    int n = 0;
                    for (const auto& p : model.paragraphs)
                        n += int(p.runs.size());
                    return n;
                }());
    std::printf("  read:  %6.1f MB/s (median of %d)\n", benchdocs::median(readMBs), rounds);
    std::printf("  write: %6.1f MB/s (median of %d)\n", benchdocs::median(writeMBs), rounds);
    return 0;
}
