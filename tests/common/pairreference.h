#pragma once

// The pair's old algorithms, run through the editor: the writer reads the
// attributes position by position with the caret, the reader formats one
// selection per record. The codec must give the same bytes and documents;
// the benchmark measures how much faster it is.
#include "codepage.h"
#include "richtextsurface.h"

#include <QByteArray>
#include <QString>

#include <algorithm>
#include <vector>

namespace pairreference {

// The old writer, position by position, with the caret in the editor: the
// attributes at p are what the editor reports with the caret after the p-th
// character. A line end is two positions that take the attributes before
// them and the alignment of the paragraph they close.
inline QByteArray referenceRuns(RichTextSurface& editor)
{
    const QString text = editor.text();
    struct Attr {
        QString font;
        int size, style, align;
        bool operator==(const Attr&) const = default;
    };
    std::vector<Attr> at; // by pair position, from 0
    Attr before{QStringLiteral("Greek"), 14, 0, 0};
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('\n')) {
            editor.setSelStart(int(i));
            Attr brk = before;
            brk.align = editor.alignment();
            at.push_back(brk);
            at.push_back(brk);
            before = brk;
            continue;
        }
        editor.setSelStart(int(i) + 1);
        before = {editor.fontName(), editor.fontSize(), editor.fontStyle(), editor.alignment()};
        at.push_back(before);
    }
    const int T = int(at.size());
    QByteArray out;
    if (T == 0)
        return out; // an empty text writes no file
    auto attrs = [&](int p) { return at[std::size_t(std::clamp(p, 1, T) - 1)]; }; // beyond the end: at the end
    Attr cur = attrs(1);
    int pos = 1;
    while (pos <= T) {
        int i = 0;
        Attr prev;
        for (;;) {
            ++i;
            prev = cur;
            cur = attrs(pos + i);
            if (cur.size != prev.size || cur.font != prev.font || i > 254 || pos + i >= T || cur.style != prev.style
                || cur.align != prev.align)
                break;
        }
        out += char(i);
        out += char(prev.size & 0xFF);
        out += "lrm"[prev.align];
        out += char(prev.style);
        out += codepage::encode(prev.font);
        out += '\0';
        pos += i;
    }
    return out;
}

// The old reader on the editor: the text in one step, then per record a
// selection of L + 1 characters formatted with its size, font and style, and
// (as mended) its own alignment.
inline void referenceRead(RichTextSurface& editor, const QByteArray& text, const QByteArray& runs)
{
    editor.setText(codepage::decode(QByteArray(text).replace("\r\n", "\n")));
    // Positions of the text file (a CR LF counts two) to the editor's.
    std::vector<int> editorPos;
    editorPos.reserve(std::size_t(text.size()) + 1);
    int p = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        editorPos.push_back(p);
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n'))
            ++p;
    }
    editorPos.push_back(p);
    qsizetype offset = 0;
    int pos = 0;
    while (offset + 4 < runs.size()) {
        const int length = uchar(runs[offset]);
        const int size = uchar(runs[offset + 1]);
        const char letter = runs[offset + 2];
        const int s = uchar(runs[offset + 3]);
        const qsizetype end = runs.indexOf('\0', offset + 4);
        if (end < 0)
            break;
        const QString font = codepage::decode(runs.mid(offset + 4, end - offset - 4));
        offset = end + 1;
        const int from = editorPos[std::size_t(std::min<qsizetype>(pos, text.size()))];
        const int to = editorPos[std::size_t(std::min<qsizetype>(pos + length + 1, text.size()))];
        editor.selectRange(from, to - from);
        editor.setFontSize(std::max(size, 1));
        editor.setFontName(font);
        editor.setFontStyle(s & 15);
        if (letter == 'l' || letter == 'r' || letter == 'm')
            editor.setAlignment(letter == 'r' ? 1 : letter == 'm' ? 2 : 0);
        pos += length;
    }
}

} // namespace pairreference
