#pragma once

// Documents for the benchmarks, the same on every run.
#include "styledtext.h"

#include <QFile>
#include <QString>

#include <algorithm>
#include <vector>

namespace benchdocs {

// kB from /proc/self/status ("VmRSS:", "VmHWM:").
inline long statusKb(const char* field)
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(qstrlen(field)).trimmed().split(' ').first().toLong();
    return -1;
}

// The peak of the resident memory starts again from now.
inline void resetPeak()
{
    QFile f(QStringLiteral("/proc/self/clear_refs"));
    if (f.open(QIODevice::WriteOnly))
        f.write("5");
}

// About `bytes` characters in lines of 100, cut into `runs` runs in four
// formats (two fonts, three sizes, styles), alignments changing by paragraph.
inline styled::Document make(int bytes, int runs, int line = 100)
{
    const styled::CharFormat formats[] = {
        {QStringLiteral("Greek"), 14, 0},
        {QStringLiteral("Greek"), 14, styled::Bold},
        {QStringLiteral("Arial"), 12, styled::Italic},
        {QStringLiteral("Greek"), 18, styled::Underline},
    };
    const QString word = QStringLiteral("logos kai ");
    QString text;
    text.reserve(bytes);
    while (text.size() < bytes) {
        for (int i = 0; i < line - 1; ++i)
            text.append(word[i % word.size()]);
        text.append(QLatin1Char('\n'));
    }
    text.truncate(bytes);
    styled::DocumentBuilder b;
    const int runLength = std::max(1, bytes / runs);
    for (int r = 0; qsizetype(r) * runLength < text.size(); ++r) {
        b.append(text.mid(qsizetype(r) * runLength, runLength), formats[r % 4]);
        if (b.atParagraphStart())
            b.setAlignment(r % 3);
    }
    return b.take();
}

// The median of a few timings.
inline double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace benchdocs
