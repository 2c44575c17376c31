#include "rtfreader.h"

#include "codepage.h"
#include "greeklayout.h"
#include "rtfkeywords.h"
#include "rtftokenizer.h"
#include "unicodegreek.h"

#include <QHash>
#include <QStringDecoder>

#include <memory>
#include <vector>

namespace rtf {

bool isSuccess(Status status) { return status == Status::Ok || status == Status::PlainText; }

QString describe(Status status, qint64)
{
    switch (status) {
    case Status::Ok:
    case Status::PlainText: return {};
    case Status::NestedTooDeeply: return QStringLiteral("Gruppen zu tief verschachtelt");
    case Status::ControlWordTooLong: return QStringLiteral("Steuerwort zu lang");
    case Status::NotText: return QStringLiteral("weder RTF noch Text");
    }
    return {};
}

namespace {

constexpr int kDirect = 0; // the byte is the 8-bit code itself
constexpr int kMaxPoints = 1638; // the largest size word processors offer

// The code page whose bytes a font's \fcharset names.
int codePageOfCharset(int charset)
{
    switch (charset) {
    case 0: // ANSI: the byte is the 8-bit code
    case 2: // symbol: the byte as it is
        return kDirect;
    case 77: return 10000;
    case 128: return 932;
    case 129: return 949;
    case 134: return 936;
    case 136: return 950;
    case 161: return 1253;
    case 162: return 1254;
    case 163: return 1258;
    case 177: return 1255;
    case 178: return 1256;
    case 186: return 1257;
    case 204: return 1251;
    case 222: return 874;
    case 238: return 1250;
    case 255: return 437;
    default: return -1; // the document's
    }
}

QByteArray codecName(int codePage)
{
    switch (codePage) {
    case 437: return "IBM437";
    case 850: return "IBM850";
    case 874: return "windows-874";
    case 932: return "Shift_JIS";
    case 936: return "GBK";
    case 949: return "CP949";
    case 950: return "Big5";
    case 10000: return "macintosh";
    case 65001: return "UTF-8";
    default:
        if (codePage >= 1250 && codePage <= 1258)
            return "windows-" + QByteArray::number(codePage);
        return {};
    }
}

struct FontEntry {
    QString name;
    int codePage = -1; // -1: the document's
};

enum class Dest : unsigned char { Text, Skip, FontTable };

struct State {
    Dest dest = Dest::Text;
    int font = -1; // -1: the default font
    int halfPoints = 24;
    int style = 0;
    int uc = 1;
    int alignment = styled::AlignLeft;
    bool justified = false; // \qj, read as left
    int colour = 0;         // \cf: 0 is the automatic colour
    bool inTable = false;
    bool inNote = false;    // the text of a footnote, kept for the end
    bool counted = false;   // inside something counted already: its pictures are its own
    bool afterStar = false; // \* was the group's first: the next word names the destination
    bool firstInGroup = true;
};

class Reader {
public:
    explicit Reader(QByteArrayView in)
        : m_in(in)
        , m_tok(in)
    {
    }

    ReadResult run();

private:
    bool handle(const Token& t);
    void word(const Token& t);
    void symbol(char c);
    void textBytes(QByteArrayView bytes);
    void fontTableText(QByteArrayView bytes);
    void storeFontEntry();
    void addChar(QChar ch);
    void addText(const QString& s);
    void unicodeChar(char16_t u);
    void fallbackBytes(QByteArrayView bytes);
    void fallbackOther();
    void resolveUnicode();
    void flushBytes();
    void flushPiece();
    // `whole`: false where a line break splits one paragraph of the file in two.
    void breakParagraph(bool whole = true);
    void prepareEmit();
    int codePage() const;
    const styled::CharFormat& format();
    QString fontName() const;
    ReadResult fail(qint64 offset, Status status);

    QByteArrayView m_in;
    Tokenizer m_tok;
    std::vector<State> m_stack;
    State m_state;
    bool m_started = false;
    bool m_finished = false;

    QHash<int, FontEntry> m_fonts;
    int m_defaultFont = 0;
    int m_docCodePage = 1252;
    int m_entryFont = -1;
    int m_entryCodePage = -1;
    QByteArray m_entryName;

    styled::DocumentBuilder m_out;
    QString m_piece;
    styled::CharFormat m_pieceFormat;
    styled::CharFormat m_format;
    bool m_formatDirty = true;
    bool m_havePiece = false;
    int m_paragraphAlignment = -1;

    QByteArray m_bytes; // bytes of a multi-byte code page, decoded together
    int m_bytesCodePage = kDirect;
    QHash<int, std::shared_ptr<QStringDecoder>> m_decoders;

    int m_skip = 0; // fallback characters still to skip after \u

    // A \u in the font "Greek" waits for its fallback: an 8-bit writer's
    // fallback is the code itself, a Unicode writer's Greek goes through the layout.
    bool m_uniPending = false;
    char16_t m_uni = 0;
    int m_uniSkip = 0;          // its \uc
    QByteArray m_uniFallback;   // the fallback bytes so far
    bool m_uniClean = true;     // every fallback character was a byte
    QString m_uniExpect;        // the rest of a letter whose codes were its first \u's fallback
    bool m_pendingTab = false;
    bool m_pendingSpace = false;
    bool m_afterPar = false;
    int m_nul = 0; // NUL characters left out

    // What the model cannot hold, counted; footnotes kept for the end.
    void countDestination(Keyword k);
    void beginNote();
    void endNote();
    ImportNotes m_notes;
    bool m_halfPending = false, m_colourPending = false;
    QList<styled::Document> m_noteTexts;
    int m_footnoteNumber = 0;
    struct MainFlow {
        styled::DocumentBuilder out;
        int paragraphAlignment = -1;
        bool afterPar = false, pendingTab = false, pendingSpace = false;
    };
    MainFlow m_main; // the document's own flow while a note's text is read
};

ReadResult Reader::fail(qint64 offset, Status status)
{
    ReadResult r;
    r.status = status;
    r.offset = offset;
    return r;
}

ReadResult Reader::run()
{
    for (;;) {
        const Token t = m_tok.next();
        if (t.type == Token::End)
            break;
        if (t.type == Token::Error)
            return fail(t.offset, Status::ControlWordTooLong);
        if (!m_started) {
            // {\rtf must open the file.
            const Token w = m_tok.next();
            if (t.type != Token::GroupOpen || w.type != Token::Word || w.name != "rtf")
                return readPlainText(m_in);
            m_started = true;
            m_stack.push_back(m_state);
            m_state.firstInGroup = false;
            continue;
        }
        if (!handle(t))
            return fail(t.offset, Status::NestedTooDeeply);
        if (m_finished)
            break;
    }
    if (!m_started)
        return readPlainText(m_in);
    resolveUnicode();
    flushBytes();
    flushPiece();
    if (m_state.inNote)
        endNote(); // a note the file did not close
    if (m_state.justified && !m_afterPar)
        ++m_notes.justified; // the last paragraph, which no \par ended
    ReadResult r;
    r.offset = m_tok.offset();
    r.nulCharacters = m_nul;
    r.document = m_out.take();
    // The \par that ends the last paragraph opens no new one.
    if (m_afterPar && r.document.paragraphs.size() > 1 && r.document.paragraphs.last().runs.isEmpty())
        r.document.paragraphs.removeLast();
    appendNotesAtEnd(r.document, m_noteTexts);
    m_notes.notes = int(m_noteTexts.size());
    r.notes = m_notes;
    r.document.normalize();
    return r;
}

bool Reader::handle(const Token& t)
{
    switch (t.type) {
    case Token::GroupOpen:
        resolveUnicode(); // a group ends the fallback
        flushBytes();
        if (int(m_stack.size()) >= kMaxDepth)
            return false;
        m_stack.push_back(m_state);
        m_state.firstInGroup = true;
        m_skip = 0;
        return true;
    case Token::GroupClose:
        resolveUnicode();
        flushBytes();
        if (m_state.dest == Dest::FontTable && !m_entryName.isEmpty())
            storeFontEntry();
        m_skip = 0;
        if (m_stack.empty()) {
            m_finished = true;
            return true;
        }
        if (m_state.inNote && !m_stack.back().inNote)
            endNote();
        m_state = m_stack.back();
        m_stack.pop_back();
        m_formatDirty = true;
        if (m_stack.empty())
            m_finished = true; // the document's own group is closed; the rest is no RTF
        return true;
    default:
        break;
    }
    const bool first = m_state.firstInGroup;
    m_state.firstInGroup = false;
    if (m_state.dest == Dest::Skip) {
        // A destination that opens a group is counted, even one skipped as unknown by its \*.
        if (t.type == Token::Word && (first || m_state.afterStar))
            countDestination(keyword(t.name));
        m_state.afterStar = false;
        return true;
    }
    if (m_skip > 0 && t.type != Token::Text) {
        --m_skip; // a fallback character of \u: a \'hh, a symbol or a word counts one
        if (t.type == Token::Hex)
            fallbackBytes(QByteArrayView(reinterpret_cast<const char*>(&t.byte), 1));
        else
            fallbackOther();
        return true;
    }
    switch (t.type) {
    case Token::Word: word(t); break;
    case Token::Symbol:
        if (t.symbol == '*' && first) {
            m_state.dest = Dest::Skip; // a destination the reader need not know
            m_state.afterStar = true;
            break;
        }
        symbol(t.symbol);
        break;
    case Token::Hex:
        if (m_state.dest == Dest::FontTable)
            m_entryName += char(t.byte);
        else
            textBytes(QByteArrayView(reinterpret_cast<const char*>(&t.byte), 1));
        break;
    case Token::Text: {
        QByteArrayView data = t.data;
        if (m_skip > 0) {
            const qsizetype n = std::min<qsizetype>(m_skip, data.size());
            m_skip -= int(n);
            fallbackBytes(data.first(n));
            data = data.sliced(n);
        }
        if (m_state.dest == Dest::FontTable)
            fontTableText(data);
        else
            textBytes(data);
        break;
    }
    default: break; // binary data outside a picture is no text
    }
    return true;
}

void Reader::word(const Token& t)
{
    const Keyword k = keyword(t.name);
    const int p = t.param;
    const bool on = !t.hasParam || p != 0;
    if (m_state.dest == Dest::FontTable) {
        switch (k) {
        case Keyword::Font:
            if (!m_entryName.isEmpty())
                storeFontEntry();
            m_entryFont = p;
            m_entryCodePage = -1;
            break;
        case Keyword::FontCharset: m_entryCodePage = codePageOfCharset(p); break;
        case Keyword::FontCodePage: m_entryCodePage = p; break;
        case Keyword::SkipDestination: m_state.dest = Dest::Skip; break;
        default: break;
        }
        return;
    }
    switch (k) {
    case Keyword::SkipDestination: m_state.dest = Dest::Skip; return;
    case Keyword::Picture:
    case Keyword::PictureCopy:
    case Keyword::Object:
    case Keyword::HeaderFooter:
    case Keyword::Annotation:
        countDestination(k);
        m_state.dest = Dest::Skip;
        return;
    case Keyword::Footnote:
        if (m_state.dest == Dest::Text && !m_state.inNote)
            beginNote();
        else
            m_state.dest = Dest::Skip; // a note in a note: its text is the outer one's
        return;
    case Keyword::FontTable: m_state.dest = Dest::FontTable; return;
    case Keyword::Ansi: m_docCodePage = 1252; return;
    case Keyword::Mac: m_docCodePage = 10000; return;
    case Keyword::Pc: m_docCodePage = 437; return;
    case Keyword::Pca: m_docCodePage = 850; return;
    case Keyword::AnsiCodePage: m_docCodePage = p; return;
    case Keyword::DefaultFont: m_defaultFont = p; m_formatDirty = true; return;
    case Keyword::UnicodeSkip: m_state.uc = std::max(0, p); return;
    default: break;
    }
    // Character and paragraph formatting.
    switch (k) {
    case Keyword::Font: flushBytes(); m_state.font = p; m_formatDirty = true; return;
    case Keyword::FontSize:
        m_state.halfPoints = p > 0 ? p : 24;
        m_halfPending = m_state.halfPoints % 2 != 0;
        m_formatDirty = true;
        return;
    case Keyword::Plain:
        flushBytes();
        m_state.font = -1;
        m_state.halfPoints = 24;
        m_state.style = 0;
        m_formatDirty = true;
        return;
    case Keyword::Bold: m_state.style = on ? m_state.style | styled::Bold : m_state.style & ~styled::Bold; m_formatDirty = true; return;
    case Keyword::Italic: m_state.style = on ? m_state.style | styled::Italic : m_state.style & ~styled::Italic; m_formatDirty = true; return;
    case Keyword::Underline:
        m_state.style = on ? m_state.style | styled::Underline : m_state.style & ~styled::Underline;
        m_formatDirty = true;
        return;
    case Keyword::UnderlineNone: m_state.style &= ~styled::Underline; m_formatDirty = true; return;
    case Keyword::Strike:
        m_state.style = on ? m_state.style | styled::StrikeOut : m_state.style & ~styled::StrikeOut;
        m_formatDirty = true;
        return;
    case Keyword::ParagraphDefault:
        m_state.alignment = styled::AlignLeft;
        m_state.justified = false;
        m_state.inTable = false;
        return;
    case Keyword::AlignLeft: m_state.alignment = styled::AlignLeft, m_state.justified = false; return;
    case Keyword::AlignJustify: m_state.alignment = styled::AlignLeft, m_state.justified = true; return;
    case Keyword::AlignRight: m_state.alignment = styled::AlignRight, m_state.justified = false; return;
    case Keyword::AlignCentre: m_state.alignment = styled::AlignCentre, m_state.justified = false; return;
    case Keyword::Colour:
        m_state.colour = t.hasParam ? p : 0;
        m_colourPending = m_state.colour > 0;
        return;
    case Keyword::InTable: m_state.inTable = true; return;
    default: break;
    }
    if (m_state.dest != Dest::Text)
        return;
    // Text.
    switch (k) {
    case Keyword::Unicode:
        unicodeChar(char16_t(static_cast<unsigned>(p) & 0xFFFF)); // negative values count from 65536
        return;
    case Keyword::Par:
        if (m_state.inTable) {
            flushBytes();
            m_pendingSpace = true; // a cell's paragraphs stay on the row's line
        } else {
            breakParagraph();
            m_afterPar = true;
        }
        return;
    case Keyword::Line:
        ++m_notes.lineBreaks; // the model's paragraphs have no line of their own
        breakParagraph(false);
        return;
    case Keyword::FootnoteNumber:
        // In the text the note's number; in the note it stands before the note at the end.
        if (!m_state.inNote)
            addText(QString::number(m_footnoteNumber + 1));
        return;
    case Keyword::Tab: addChar(QLatin1Char('\t')); return;
    case Keyword::LeftQuote: addChar(codepage::toChar(145)); return;
    case Keyword::RightQuote: addChar(codepage::toChar(146)); return;
    case Keyword::LeftDoubleQuote: addChar(codepage::toChar(147)); return;
    case Keyword::RightDoubleQuote: addChar(codepage::toChar(148)); return;
    case Keyword::Bullet: addChar(codepage::toChar(149)); return;
    case Keyword::EnDash: addChar(codepage::toChar(150)); return;
    case Keyword::EmDash: addChar(codepage::toChar(151)); return;
    case Keyword::Cell:
        flushBytes();
        m_pendingSpace = false;
        m_pendingTab = true; // written before the next cell's text
        return;
    case Keyword::Row:
        m_pendingTab = m_pendingSpace = false;
        breakParagraph();
        return;
    default: return; // unknown words are skipped
    }
}

void Reader::unicodeChar(char16_t u)
{
    resolveUnicode();
    // The combining mark of a capital that came as codes already.
    if (!m_uniExpect.isEmpty()) {
        const bool expected = m_uniExpect.front() == QChar(u);
        if (expected)
            m_uniExpect.remove(0, 1);
        else
            m_uniExpect.clear();
        if (expected) {
            m_skip = m_state.uc;
            return;
        }
    }
    m_skip = m_state.uc;
    if (fontName() == QLatin1String(styled::kDefaultFont) && m_state.uc > 0) {
        m_uniPending = true;
        m_uni = u;
        m_uniSkip = m_state.uc;
        m_uniFallback.clear();
        m_uniClean = true;
        return;
    }
    addChar(QChar(u));
}

void Reader::fallbackBytes(QByteArrayView bytes)
{
    if (m_uniPending)
        m_uniFallback += bytes;
    if (m_skip == 0)
        resolveUnicode();
}

void Reader::fallbackOther()
{
    m_uniClean = false;
    if (m_skip == 0)
        resolveUnicode();
}

void Reader::resolveUnicode()
{
    if (!m_uniPending)
        return;
    m_uniPending = false;
    const QChar u(m_uni);
    // The common cases first, without a string made: one fallback byte that
    // is the character's Windows-1252 byte or its code in the layout.
    if (m_uniClean && m_uniSkip == 1 && m_uniFallback.size() == 1) {
        const uchar byte = uchar(m_uniFallback[0]);
        const QChar asCode = codepage::toChar(byte);
        if (asCode == u || greeklayout::codeOf(m_uni) == byte) {
            addChar(asCode);
            return;
        }
    }
    if (m_uniClean && m_uniFallback.size() == m_uniSkip) {
        const QString codes = codepage::decode(m_uniFallback);
        // An 8-bit writer's character: \u of the byte's Windows-1252 reading, the byte as fallback
        // (LibreOffice reads a byte Windows-1252 leaves open as U+F100 + byte).
        const uchar byte = m_uniFallback.isEmpty() ? 0 : uchar(m_uniFallback[0]);
        const bool eightBit = codes.size() == 1
            && (codes[0] == u || (m_uni == 0xF100 + byte && byte < 160 && codepage::toChar(byte).unicode() == byte));
        // Our own writer's: the codes the layout gives for the character.
        const bool layoutCodes = !eightBit && unicodegreek::importGreek(QStringView(&u, 1)).codes == codes;
        QString rest;
        if (!eightBit && !layoutCodes) {
            // A capital with marks Unicode composes only with combining ones: the
            // codes come with the first character, the marks follow without fallback.
            const QString letter = unicodegreek::exportGreek(codes);
            if (letter.size() > 1 && letter[0] == u)
                rest = letter.mid(1);
        }
        if (eightBit || layoutCodes || !rest.isEmpty()) {
            addText(codes);
            m_uniExpect = rest;
            return;
        }
    }
    // A Unicode writer's Greek: a letter of the layout is its code.
    if (const auto code = greeklayout::codeOf(m_uni))
        addChar(codepage::toChar(*code));
    else
        addChar(u);
}

void Reader::symbol(char c)
{
    if (m_state.dest == Dest::FontTable) {
        if (c == '\\' || c == '{' || c == '}')
            m_entryName += c;
        return;
    }
    switch (c) {
    case '\\':
    case '{':
    case '}': textBytes(QByteArrayView(&c, 1)); return;
    case '~': addChar(codepage::toChar(160)); return;
    case '-': addChar(codepage::toChar(173)); return; // the soft hyphen's code: in "Greek" a letter
    case '_': addChar(QLatin1Char('-')); return;
    case '\t': addChar(QLatin1Char('\t')); return;
    default: return;
    }
}

void Reader::fontTableText(QByteArrayView bytes)
{
    for (char c : bytes) {
        if (c == ';')
            storeFontEntry();
        else
            m_entryName += c;
    }
}

void Reader::storeFontEntry()
{
    if (m_entryFont >= 0 || !m_entryName.trimmed().isEmpty())
        m_fonts.insert(m_entryFont, {codepage::decode(m_entryName.trimmed()), m_entryCodePage});
    m_entryName.clear();
}

QString Reader::fontName() const
{
    const int index = m_state.font >= 0 ? m_state.font : m_defaultFont;
    const auto it = m_fonts.constFind(index);
    if (it != m_fonts.constEnd() && !it->name.isEmpty())
        return it->name;
    const auto def = m_fonts.constFind(m_defaultFont);
    if (def != m_fonts.constEnd() && !def->name.isEmpty())
        return def->name;
    return QString::fromLatin1(styled::kDefaultFont);
}

int Reader::codePage() const
{
    const int index = m_state.font >= 0 ? m_state.font : m_defaultFont;
    const auto it = m_fonts.constFind(index);
    int cp = it != m_fonts.constEnd() ? it->codePage : -1;
    if (cp < 0)
        cp = m_docCodePage;
    if (cp == 1252 || cp == 0 || codecName(cp).isEmpty())
        return kDirect;
    return cp;
}

const styled::CharFormat& Reader::format()
{
    if (m_formatDirty) {
        m_format.font = fontName();
        // Half points to whole points, within what word processors offer.
        m_format.size = int(std::clamp<qint64>((qint64(m_state.halfPoints) + 1) / 2, 1, kMaxPoints));
        m_format.style = m_state.style;
        m_formatDirty = false;
    }
    return m_format;
}

void Reader::textBytes(QByteArrayView bytes)
{
    if (bytes.isEmpty() || m_state.dest != Dest::Text)
        return;
    const int cp = codePage();
    if (cp == kDirect) {
        flushBytes();
        prepareEmit();
        for (char c : bytes) {
            if (c == '\0')
                ++m_nul;
            else
                m_piece += codepage::toChar(uchar(c));
        }
        return;
    }
    // A multi-byte code page needs its bytes together.
    if (!m_bytes.isEmpty() && m_bytesCodePage != cp)
        flushBytes();
    m_bytesCodePage = cp;
    m_bytes += bytes;
}

void Reader::flushBytes()
{
    if (m_bytes.isEmpty())
        return;
    auto& decoder = m_decoders[m_bytesCodePage];
    if (!decoder)
        decoder = std::make_shared<QStringDecoder>(codecName(m_bytesCodePage).constData(), QStringConverter::Flag::Stateless);
    const QByteArray bytes = std::exchange(m_bytes, QByteArray());
    if (!decoder->isValid()) {
        addText(codepage::decode(bytes));
        return;
    }
    addText(decoder->decode(bytes));
}

// Pending separators of table cells come first; the run takes the current format.
void Reader::prepareEmit()
{
    m_uniExpect.clear(); // text between: no mark of that capital follows
    if (m_pendingTab || m_pendingSpace) {
        const QChar sep = m_pendingTab ? QLatin1Char('\t') : QLatin1Char(' ');
        m_pendingTab = m_pendingSpace = false;
        prepareEmit();
        m_piece += sep;
    }
    const styled::CharFormat& f = format();
    if (!m_havePiece || !(f == m_pieceFormat)) {
        flushPiece();
        m_pieceFormat = f;
        m_havePiece = true;
    }
    // A half-point size or a colour is counted once for the text that follows it.
    if (m_halfPending && m_state.halfPoints % 2 != 0)
        ++m_notes.halfPoints;
    if (m_colourPending && m_state.colour > 0)
        ++m_notes.colours;
    m_halfPending = m_colourPending = false;
    if (m_paragraphAlignment != m_state.alignment) {
        m_out.setAlignment(m_state.alignment);
        m_paragraphAlignment = m_state.alignment;
    }
    m_afterPar = false;
}

void Reader::addChar(QChar ch)
{
    flushBytes();
    if (ch.isNull()) {
        ++m_nul;
        return;
    }
    if (ch == QLatin1Char('\n') || ch == QLatin1Char('\r') || ch == QChar::LineSeparator || ch == QChar::ParagraphSeparator) {
        breakParagraph();
        return;
    }
    prepareEmit();
    m_piece += ch;
}

void Reader::addText(const QString& s)
{
    for (QChar ch : s)
        addChar(ch);
}

void Reader::flushPiece()
{
    if (!m_piece.isEmpty())
        m_out.append(m_piece, m_pieceFormat);
    m_piece.clear();
}

void Reader::countDestination(Keyword k)
{
    if (m_state.counted)
        return;
    switch (k) {
    case Keyword::Picture: ++m_notes.pictures; break;
    case Keyword::PictureCopy: break; // the picture counted already, as its first form
    case Keyword::Object: ++m_notes.objects; break;
    case Keyword::HeaderFooter: ++m_notes.headersFooters; break;
    case Keyword::Annotation: ++m_notes.comments; break;
    default: return;
    }
    m_state.counted = true; // what lies inside (an object's picture) is part of it
}

// A footnote's text goes to a flow of its own; the document's flow waits.
void Reader::beginNote()
{
    flushBytes();
    flushPiece();
    m_main = MainFlow{std::move(m_out), m_paragraphAlignment, m_afterPar, m_pendingTab, m_pendingSpace};
    m_out = styled::DocumentBuilder();
    m_paragraphAlignment = -1;
    m_afterPar = m_pendingTab = m_pendingSpace = false;
    m_havePiece = false;
    m_state.inNote = true;
}

void Reader::endNote()
{
    flushBytes();
    flushPiece();
    styled::Document note = m_out.take();
    // A \par that ends the note's last paragraph opens no new one.
    if (note.paragraphs.size() > 1 && note.paragraphs.last().runs.isEmpty())
        note.paragraphs.removeLast();
    m_noteTexts.append(std::move(note));
    ++m_footnoteNumber;
    m_out = std::move(m_main.out);
    m_paragraphAlignment = m_main.paragraphAlignment;
    m_afterPar = m_main.afterPar;
    m_pendingTab = m_main.pendingTab;
    m_pendingSpace = m_main.pendingSpace;
    m_havePiece = false;
}

void Reader::breakParagraph(bool whole)
{
    flushBytes();
    flushPiece();
    if (whole && m_state.justified)
        ++m_notes.justified;
    m_pendingTab = m_pendingSpace = false;
    m_out.setAlignment(m_state.alignment); // the properties in force when the paragraph ends
    m_out.breakParagraph();
    m_paragraphAlignment = -1;
}

} // namespace

ReadResult read(QByteArrayView bytes) { return Reader(bytes).run(); }

ReadResult readPlainText(QByteArrayView bytes)
{
    ReadResult r;
    r.status = Status::PlainText;
    if (bytes.contains('\0')) {
        r.status = Status::NotText;
        r.offset = bytes.indexOf('\0');
        return r;
    }
    QString text;
    if (bytes.startsWith("\xEF\xBB\xBF"))
        text = QString::fromUtf8(bytes.sliced(3));
    else
        text = codepage::decode(bytes.toByteArray());
    r.document = styled::Document::fromPlainText(styled::paragraphBreaks(text));
    r.offset = bytes.size();
    return r;
}

} // namespace rtf
