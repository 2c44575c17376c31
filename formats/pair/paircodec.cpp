#include "paircodec.h"

#include "codepage.h"
#include "ioerror.h"

#include <QHash>

#include <algorithm>
#include <vector>

namespace pair {

namespace {

constexpr int kMaxRun = 255;
constexpr char kLetters[] = {'l', 'r', 'm'}; // by alignment: left, right, centre

// The attributes of one position as the format compares them.
struct Position {
    const styled::CharFormat* format;
    int alignment;
    bool operator==(const Position& o) const { return *format == *o.format && alignment == o.alignment; }
};

struct Segment {
    Position at;
    int count;
};

class Reporter {
public:
    Reporter(const Progress& progress, qint64 total)
        : m_progress(progress)
        , m_total(std::max<qint64>(total, 1))
    {
    }
    void at(qint64 done)
    {
        if (!m_progress)
            return;
        const int percent = int(std::clamp<qint64>((done * 100 + m_total / 2) / m_total, 0, 100));
        if (percent != m_last) {
            m_last = percent;
            m_progress(percent);
        }
    }

private:
    const Progress& m_progress;
    qint64 m_total;
    int m_last = -1;
};

} // namespace

QString basePathOf(const QString& path) { return path.left(std::max<qsizetype>(0, path.size() - 3)); }

styled::CharFormat defaultFormat() { return {}; }

Bytes write(const styled::Document& document, const Progress& progress)
{
    Bytes out;
    const int total = document.length() + int(document.paragraphs.size()) - 1; // a break is two positions
    if (document.length() == 0 && document.paragraphs.size() <= 1)
        return out;

    // Equal neighbours share a segment; the line end takes the attributes
    // before it and the alignment of the paragraph it closes.
    static const styled::CharFormat kStart = defaultFormat();
    std::vector<Segment> segments;
    const styled::CharFormat* last = &kStart;
    auto add = [&](const styled::CharFormat* format, int alignment, int count) {
        const Position p{format, alignment};
        if (!segments.empty() && segments.back().at == p)
            segments.back().count += count;
        else
            segments.push_back({p, count});
    };
    out.text.reserve(total);
    for (qsizetype i = 0; i < document.paragraphs.size(); ++i) {
        const styled::Paragraph& para = document.paragraphs[i];
        for (const styled::Run& run : para.runs) {
            out.text += codepage::encode(run.text);
            add(&run.format, para.alignment, int(run.text.size()));
            last = &run.format;
        }
        if (i + 1 < document.paragraphs.size()) {
            out.text += "\r\n";
            add(last, para.alignment, 2);
        }
    }
    Q_ASSERT(out.text.size() == total);
    // The last character always has a record of its own.
    if (segments.back().count > 1) {
        --segments.back().count;
        segments.push_back({segments.back().at, 1});
    }

    Reporter report(progress, total);
    qint64 done = 0;
    for (const Segment& s : segments) {
        const QByteArray font = codepage::encode(s.at.format->font).replace('\0', "");
        for (int left = s.count; left > 0;) {
            const int n = std::min(left, kMaxRun);
            out.runs += char(n);
            out.runs += char(s.at.format->size & 0xFF);
            out.runs += kLetters[std::clamp(s.at.alignment, 0, 2)];
            out.runs += char(s.at.format->style & styled::kAllStyles);
            out.runs += font;
            out.runs += '\0';
            left -= n;
            done += n;
            report.at(done);
        }
    }
    return out;
}

Losses losses(const styled::Document& document)
{
    Losses l;
    int pos = 1;
    for (const styled::Paragraph& para : document.paragraphs) {
        for (const styled::Run& run : para.runs) {
            if (run.format.size > 255 && l.oversizedRuns++ == 0)
                l.firstOversized = pos;
            for (qsizetype i = 0; i < run.text.size(); ++i) {
                if (!codepage::toCode(run.text[i]) && l.uncodedCharacters++ == 0)
                    l.firstUncoded = pos + int(i);
            }
            pos += int(run.text.size());
        }
        pos += 2;
    }
    return l;
}

namespace {

// Where each paragraph of the text file starts, by byte position: a CR LF
// is one break of two positions, a lone CR or LF one of one. One entry a
// paragraph, not one a byte: a large file is not held four times over.
std::vector<qint64> paragraphStarts(const QByteArray& text)
{
    std::vector<qint64> starts{0};
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            starts.push_back(++i + 1);
        else if (c == '\r' || c == '\n')
            starts.push_back(i + 1);
    }
    return starts;
}

// The paragraph of a position, for positions that never go back: the cursor moves on.
int paragraphAt(const std::vector<qint64>& starts, qint64 pos, std::size_t& cursor)
{
    while (cursor + 1 < starts.size() && starts[cursor + 1] <= pos)
        ++cursor;
    return int(cursor);
}

// The format of each position as spans: from `from` on, format `format`.
struct Span {
    qint64 from;
    int format;
};

// Style bits by successive subtraction, as the old reader decodes them; for
// 0 to 15 this is the plain bit table.
int decodeStyle(int s)
{
    int style = 0;
    if (s >= 8) {
        style |= styled::StrikeOut;
        s -= 8;
    }
    if (s >= 4) {
        style |= styled::Underline;
        s -= 4;
    }
    if (s >= 2) {
        style |= styled::Italic;
        s -= 2;
    }
    if (s >= 1)
        style |= styled::Bold;
    return style;
}

int alignmentOfLetter(char letter)
{
    switch (letter) {
    case 'l': return styled::AlignLeft;
    case 'r': return styled::AlignRight;
    case 'm': return styled::AlignCentre;
    default: return -1; // any other byte changes nothing
    }
}

} // namespace

bool isSuccess(Status) { return true; }

QString describe(Status status, qint64 offset)
{
    if (status == Status::Ok)
        return {};
    return QStringLiteral("Die Formatdatei ist beschädigt (Byte %1): der Text wurde geladen, seine Formatierung nur bis zu "
                          "dieser Stelle. %2")
        .arg(offset)
        .arg(IoError::messageFor(IoError::Cause::ReadPastEnd));
}

ReadResult read(const QByteArray& text, const std::optional<QByteArray>& runs, const Progress& progress)
{
    ReadResult result;
    if (text.isEmpty())
        return result; // an empty document; an attribute file has nothing to format
    const std::vector<qint64> starts = paragraphStarts(text);
    const int paragraphs = int(starts.size());
    const qint64 total = text.size();
    std::vector<styled::CharFormat> formats{defaultFormat()};
    QHash<QByteArray, int> known;
    std::vector<Span> spans{{0, 0}};
    std::vector<int> alignment(std::size_t(paragraphs), styled::AlignLeft);
    std::size_t firstCursor = 0, lastCursor = 0;

    Reporter report(progress, total);
    const QByteArray& r = runs ? *runs : QByteArray();
    qint64 pos = 0;
    qint64 offset = 0;
    while (offset < r.size()) {
        const qint64 recordStart = offset;
        const qsizetype end = r.indexOf('\0', offset + 4);
        if (offset + 4 >= r.size() || end < 0) {
            // Cut short: what was read so far stays.
            result.status = Status::RunsDamaged;
            result.offset = recordStart;
            break;
        }
        const int length = uchar(r[offset]);
        const int size = uchar(r[offset + 1]);
        const int align = alignmentOfLetter(r[offset + 2]);
        const int style = decodeStyle(uchar(r[offset + 3]));
        const QByteArray fontBytes = r.mid(offset + 4, end - offset - 4);
        offset = end + 1;

        QByteArray key = fontBytes;
        key.append('\0').append(char(size)).append(char(style));
        int index = known.value(key, -1);
        if (index < 0) {
            // A size byte of 0 is the smallest size the editor shows.
            formats.push_back({codepage::decode(fontBytes), std::max(size, 1), style});
            index = int(formats.size()) - 1;
            known.insert(key, index);
        }
        // The record formats its run and the position after it, over what
        // the record before said of that position. Records never go back:
        // what lies after the run is still unformatted.
        if (pos < total) {
            const qint64 last = std::min<qint64>(pos + length, total - 1);
            while (!spans.empty() && spans.back().from >= pos)
                spans.pop_back();
            spans.push_back({pos, index});
            spans.push_back({last + 1, 0});
            if (align >= 0) {
                // A range reaching past the text touches the empty paragraph after a final line end too.
                const int first = paragraphAt(starts, pos, firstCursor);
                const int lastParagraph = pos + length >= total ? paragraphs - 1 : paragraphAt(starts, last, lastCursor);
                for (int p = first; p <= lastParagraph; ++p)
                    alignment[std::size_t(p)] = align;
            }
        }
        pos += length;
        report.at(std::min(pos, total));
    }

    // Characters of one format next to each other go in as one piece.
    styled::DocumentBuilder b;
    QString piece;
    int pieceFormat = -1;
    auto flush = [&] {
        if (!piece.isEmpty())
            b.append(piece, formats[std::size_t(pieceFormat)]);
        piece.clear();
    };
    std::size_t span = 0;
    for (qint64 i = 0; i < total; ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            flush();
            if (c == '\r' && i + 1 < total && text[i + 1] == '\n')
                ++i;
            b.breakParagraph();
            continue;
        }
        while (span + 1 < spans.size() && spans[span + 1].from <= i)
            ++span;
        const int f = spans[span].format;
        if (f != pieceFormat) {
            flush();
            pieceFormat = f;
        }
        piece += codepage::toChar(uchar(c));
    }
    flush();
    result.document = b.take();
    Q_ASSERT(result.document.paragraphs.size() == paragraphs);
    for (qsizetype p = 0; p < result.document.paragraphs.size(); ++p)
        result.document.paragraphs[p].alignment = alignment[std::size_t(p)];
    return result;
}

} // namespace pair
