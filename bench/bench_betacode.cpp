// The 10 MiB book's text (all of it taken as Greek codes) to Beta Code and back.
#include "benchdocs.h"
#include "betacode.h"

#include <QElapsedTimer>

#include <cstdio>

int main()
{
    const QString codes = benchdocs::make(10 * 1024 * 1024, 140'000).plainText();
    std::vector<double> encodes, decodes;
    QString beta;
    qsizetype back = 0;
    for (int i = 0; i < 3; ++i) {
        QElapsedTimer t;
        t.start();
        beta = betacode::encode(codes);
        encodes.push_back(t.nsecsElapsed() / 1e6);
        t.restart();
        back = betacode::decode(beta).codes.size();
        decodes.push_back(t.nsecsElapsed() / 1e6);
    }
    std::printf("%lld codes, %lld characters of Beta Code: to Beta Code %.0f ms, back %.0f ms (medians of 3; %lld codes back)\n",
                (long long)codes.size(), (long long)beta.size(), benchdocs::median(encodes), benchdocs::median(decodes), (long long)back);
    return 0;
}
