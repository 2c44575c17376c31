#pragma once

#include "codepage.h"
#include "styledtext.h"

#include <QList>
#include <QRandomGenerator>

// What the random documents of the round-trip tests hold: 1 to 6 paragraphs
// of any alignment, each of up to 4 runs in the given formats, a run mostly
// short and now and then long; the characters codes of the font "Greek"
// (tabs among them) and, with `uncoded`, characters that have no code.
inline styled::Document randomDocument(QRandomGenerator& rng, const QList<styled::CharFormat>& formats, bool uncoded)
{
    styled::DocumentBuilder b;
    const int paragraphs = 1 + int(rng.bounded(6));
    for (int p = 0; p < paragraphs; ++p) {
        if (p > 0)
            b.breakParagraph();
        b.setAlignment(int(rng.bounded(3)));
        for (int r = int(rng.bounded(5)); r > 0; --r) {
            QString t;
            for (int k = 1 + int(rng.bounded(rng.bounded(4) == 0 ? 600 : 30)); k > 0; --k) {
                const int kind = int(rng.bounded(10));
                if (uncoded && kind == 0)
                    t += QChar(char16_t(0x2200 + rng.bounded(20))); // mathematical signs
                else if (uncoded && kind == 1)
                    t += QChar(char16_t(0x4E00 + rng.bounded(200)));
                else
                    t += codepage::toChar(uchar(kind == 2 ? 9 : 32 + rng.bounded(224)));
            }
            b.append(t, formats[qsizetype(rng.bounded(quint32(formats.size())))]);
        }
    }
    styled::Document d = b.take();
    d.normalize();
    return d;
}
