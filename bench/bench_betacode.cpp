// The 10 MiB book to Beta Code and back: its text taken as Greek codes
// through the codec, and the book as a document (Greek runs and Latin ones)
// as the export writes it and as Open reads it.
#include "benchdocs.h"
#include "betacode.h"

#include <QElapsedTimer>

#include <cstdio>

int main()
{
    const styled::Document book = benchdocs::make(10 * 1024 * 1024, 140'000);
    const QString codes = book.plainText();
    std::vector<double> encodes, decodes, exports, opens;
    QString beta, written;
    qsizetype back = 0, paragraphs = 0;
    for (int i = 0; i < 3; ++i) {
        QElapsedTimer t;
        t.start();
        beta = betacode::encode(codes);
        encodes.push_back(t.nsecsElapsed() / 1e6);
        t.restart();
        back = betacode::decode(beta).codes.size();
        decodes.push_back(t.nsecsElapsed() / 1e6);
        t.restart();
        written = betacode::fromDocument(book).text;
        exports.push_back(t.nsecsElapsed() / 1e6);
        t.restart();
        paragraphs = betacode::toDocument(written, {QStringLiteral("Greek"), 14, 0}, {QStringLiteral("Arial"), 14, 0})
                         .document.paragraphs.size();
        opens.push_back(t.nsecsElapsed() / 1e6);
    }
    std::printf("text: %lld codes, %lld characters of Beta Code: to Beta Code %.0f ms, back %.0f ms (%lld codes back)\n",
                (long long)codes.size(), (long long)beta.size(), benchdocs::median(encodes), benchdocs::median(decodes),
                (long long)back);
    std::printf("document: %lld paragraphs, %lld characters of Beta Code with Latin text: written %.0f ms, read %.0f ms "
                "(%lld paragraphs back); medians of 3\n",
                (long long)book.paragraphs.size(), (long long)written.size(), benchdocs::median(exports),
                benchdocs::median(opens), (long long)paragraphs);
    return 0;
}
