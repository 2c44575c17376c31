#include "exportwriters.h"

#include "unicodegreek.h"
#include "zipwriter.h"

#include <QHash>
#include <QSet>
#include <QIODevice>

namespace exportwriters {

namespace {

const QString& greekFont()
{
    static const QString name = QString::fromLatin1(styled::kDefaultFont);
    return name;
}

bool isXmlCharacter(QChar ch)
{
    const char16_t u = ch.unicode();
    return u == 0x9 || u == 0xA || u == 0xD || (u >= 0x20 && u <= 0xFFFD && u != 0xFFFE);
}

// Writes UTF-8 onto a device in large pieces.
class Sink {
public:
    explicit Sink(QIODevice& out)
        : m_out(out)
    {
        m_buffer.reserve(kChunk + 4096);
    }
    ~Sink() { flush(); }

    Sink& operator<<(const char* latin1)
    {
        m_buffer += latin1;
        check();
        return *this;
    }
    Sink& operator<<(const QByteArray& bytes)
    {
        m_buffer += bytes;
        check();
        return *this;
    }
    Sink& operator<<(QStringView text)
    {
        m_buffer += text.toUtf8();
        check();
        return *this;
    }
    // Character data, escaped; every character XML cannot hold as U+FFFD.
    void escaped(QStringView text, bool attribute = false)
    {
        qsizetype start = 0;
        auto plain = [&](qsizetype end) {
            if (end > start)
                m_buffer += text.mid(start, end - start).toUtf8();
        };
        for (qsizetype i = 0; i < text.size(); ++i) {
            const QChar ch = text[i];
            const char16_t u = ch.unicode();
            const char* entity = nullptr;
            if (u == '&')
                entity = "&amp;";
            else if (u == '<')
                entity = "&lt;";
            else if (u == '>')
                entity = "&gt;";
            else if (attribute && u == '"')
                entity = "&quot;"; // attributes are in double quotes: an apostrophe stays, as HTML readers want it
            if (ch.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
                ++i; // a character beyond the 16-bit range, written as it is
                continue;
            }
            if (!entity && (ch.isSurrogate() || !isXmlCharacter(ch) || u == 0xD))
                entity = "\xEF\xBF\xBD"; // U+FFFD
            if (!entity)
                continue;
            plain(i);
            m_buffer += entity;
            start = i + 1;
        }
        plain(text.size());
        check();
    }
    bool flush()
    {
        if (!m_buffer.isEmpty() && m_ok)
            m_ok = m_out.write(m_buffer) == m_buffer.size();
        m_buffer.clear();
        return m_ok;
    }
    bool ok() const { return m_ok; }

private:
    static constexpr qsizetype kChunk = 1 << 16;
    void check()
    {
        if (m_buffer.size() >= kChunk)
            flush();
    }

    QIODevice& m_out;
    QByteArray m_buffer;
    bool m_ok = true;
};

// Characters XML cannot hold (controls, U+FFFE, U+FFFF, lone surrogates) as U+FFFD.
QString xmlCharacters(QString text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar ch = text[i];
        if (ch.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            ++i;
            continue;
        }
        if (ch == QLatin1Char('\t'))
            continue;
        if (ch.isSurrogate() || !isXmlCharacter(ch) || ch.unicode() == 0xA || ch.unicode() == 0xD)
            text[i] = QChar::ReplacementCharacter;
    }
    return text;
}

struct FormatKey {
    styled::CharFormat format;
    bool greek = false;
    bool operator==(const FormatKey&) const = default;
};

size_t qHash(const FormatKey& k, size_t seed = 0) { return qHashMulti(seed, k.format.font, k.format.size, k.format.style, k.greek); }

// The exported formats of a document, each numbered once in order of first use.
struct FormatTable {
    QHash<FormatKey, int> index;
    QList<FormatKey> formats;
    QStringList families;
    QSet<QString> known;

    int add(const FormatKey& k)
    {
        const auto it = index.constFind(k);
        if (it != index.constEnd())
            return *it;
        const int n = int(formats.size());
        index.insert(k, n);
        formats.append(k);
        if (!known.contains(k.format.font)) {
            known.insert(k.format.font);
            families.append(k.format.font);
        }
        return n;
    }
};

FormatKey keyOf(const styled::Run& run, const Options& o)
{
    const bool greek = run.format.font == greekFont();
    FormatKey k{run.format, greek};
    if (greek)
        k.format.font = o.greekFamily;
    return k;
}

QString runText(const styled::Run& run)
{
    return run.format.font == greekFont() ? unicodegreek::exportGreek(run.text) : run.text;
}

// --- OpenDocument -----------------------------------------------------------------

const char kNamespaces[] =
    " xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\""
    " xmlns:style=\"urn:oasis:names:tc:opendocument:xmlns:style:1.0\""
    " xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\""
    " xmlns:fo=\"urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0\""
    " xmlns:svg=\"urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0\""
    " xmlns:meta=\"urn:oasis:names:tc:opendocument:xmlns:meta:1.0\""
    " xmlns:dc=\"http://purl.org/dc/elements/1.1/\""
    " office:version=\"1.2\"";

const char* odtAlignment(int alignment)
{
    switch (alignment) {
    case styled::AlignRight: return "end";
    case styled::AlignCentre: return "center";
    default: return "start";
    }
}

void fontFaces(Sink& s, const QStringList& families)
{
    s << "<office:font-face-decls>";
    for (const QString& f : families) {
        s << "<style:font-face style:name=\"";
        s.escaped(f, true);
        s << "\" svg:font-family=\"";
        s.escaped(QLatin1Char('\'') + f + QLatin1Char('\''), true);
        s << "\"/>";
    }
    s << "</office:font-face-decls>";
}

void textProperties(Sink& s, const FormatKey& k)
{
    s << "<style:text-properties style:font-name=\"";
    s.escaped(k.format.font, true);
    s << "\" fo:font-size=\"" << QByteArray::number(std::max(k.format.size, 1)) << "pt\"";
    if (k.format.style & styled::Bold)
        s << " fo:font-weight=\"bold\"";
    if (k.format.style & styled::Italic)
        s << " fo:font-style=\"italic\"";
    if (k.format.style & styled::Underline)
        s << " style:text-underline-style=\"solid\" style:text-underline-width=\"auto\" style:text-underline-color=\"font-color\"";
    if (k.format.style & styled::StrikeOut)
        s << " style:text-line-through-style=\"solid\" style:text-line-through-type=\"single\"";
    if (k.greek)
        s << " fo:language=\"grc\" fo:country=\"none\"";
    s << "/>";
}

// One paragraph's runs. Readers of OpenDocument collapse spaces: a space
// that does not follow a character, or ends the paragraph, is written as
// <text:s/>; a tab as <text:tab/>.
void odtParagraph(Sink& s, const styled::Paragraph& p, const FormatTable& table, const Options& o)
{
    s << "<text:p text:style-name=\"P" << QByteArray::number(std::clamp(p.alignment, 0, 2) + 1) << "\"";
    if (p.runs.isEmpty()) {
        s << "/>";
        return;
    }
    s << ">";
    QList<QString> texts;
    for (const styled::Run& r : p.runs)
        texts.append(xmlCharacters(runText(r)));
    bool afterCharacter = false;
    for (qsizetype i = 0; i < p.runs.size(); ++i) {
        const QString& t = texts[i];
        s << "<text:span text:style-name=\"T" << QByteArray::number(table.index.value(keyOf(p.runs[i], o)) + 1) << "\">";
        qsizetype start = 0;
        auto plain = [&](qsizetype end) {
            if (end > start)
                s.escaped(QStringView(t).mid(start, end - start));
        };
        for (qsizetype k = 0; k < t.size(); ++k) {
            const QChar ch = t[k];
            if (ch == QLatin1Char('\t')) {
                plain(k);
                s << "<text:tab/>";
                start = k + 1;
                afterCharacter = false;
                continue;
            }
            if (ch != QLatin1Char(' ')) {
                afterCharacter = true;
                continue;
            }
            // Is this the paragraph's last character?
            bool last = k + 1 == t.size();
            for (qsizetype j = i + 1; last && j < p.runs.size(); ++j)
                last = texts[j].isEmpty();
            if (afterCharacter && !last) {
                afterCharacter = false;
                continue; // a plain space
            }
            plain(k);
            qsizetype n = 1;
            while (k + n < t.size() && t[k + n] == QLatin1Char(' '))
                ++n;
            s << (n == 1 ? QByteArray("<text:s/>") : "<text:s text:c=\"" + QByteArray::number(n) + "\"/>");
            k += n - 1;
            start = k + 1;
            afterCharacter = false;
        }
        plain(t.size());
        s << "</text:span>";
    }
    s << "</text:p>";
}

void odtContent(Sink& s, const styled::Document& d, const FormatTable& table, const Options& o)
{
    s << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<office:document-content" << kNamespaces << ">";
    fontFaces(s, table.families);
    s << "<office:automatic-styles>";
    for (int a = 0; a < 3; ++a)
        s << "<style:style style:name=\"P" << QByteArray::number(a + 1)
          << "\" style:family=\"paragraph\" style:parent-style-name=\"Standard\"><style:paragraph-properties fo:text-align=\""
          << odtAlignment(a) << "\"/></style:style>";
    for (qsizetype i = 0; i < table.formats.size(); ++i) {
        s << "<style:style style:name=\"T" << QByteArray::number(i + 1) << "\" style:family=\"text\">";
        textProperties(s, table.formats[i]);
        s << "</style:style>";
    }
    s << "</office:automatic-styles><office:body><office:text>";
    for (const styled::Paragraph& p : d.paragraphs)
        odtParagraph(s, p, table, o);
    s << "</office:text></office:body></office:document-content>\n";
}

void odtStyles(Sink& s, const Options& o)
{
    // The editor's own 14 points and font for whatever has no format of its own.
    s << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<office:document-styles" << kNamespaces << ">";
    fontFaces(s, {o.greekFamily});
    s << "<office:styles><style:default-style style:family=\"paragraph\">"
         "<style:paragraph-properties fo:margin-top=\"0cm\" fo:margin-bottom=\"0cm\"/>"
         "<style:text-properties style:font-name=\"";
    s.escaped(o.greekFamily, true);
    s << "\" fo:font-size=\"" << QByteArray::number(styled::kDefaultSize)
      << "pt\"/></style:default-style>"
         "<style:style style:name=\"Standard\" style:family=\"paragraph\" style:class=\"text\"/>"
         "</office:styles></office:document-styles>\n";
}

void odtMeta(Sink& s, const Options& o)
{
    s << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<office:document-meta" << kNamespaces
      << "><office:meta><meta:generator>Stilora</meta:generator>";
    if (!o.title.isEmpty()) {
        s << "<dc:title>";
        s.escaped(xmlCharacters(o.title));
        s << "</dc:title>";
    }
    s << "</office:meta></office:document-meta>\n";
}

const char kManifest[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<manifest:manifest xmlns:manifest=\"urn:oasis:names:tc:opendocument:xmlns:manifest:1.0\" manifest:version=\"1.2\">"
    "<manifest:file-entry manifest:full-path=\"/\" manifest:version=\"1.2\" manifest:media-type=\"application/vnd.oasis.opendocument.text\"/>"
    "<manifest:file-entry manifest:full-path=\"content.xml\" manifest:media-type=\"text/xml\"/>"
    "<manifest:file-entry manifest:full-path=\"styles.xml\" manifest:media-type=\"text/xml\"/>"
    "<manifest:file-entry manifest:full-path=\"meta.xml\" manifest:media-type=\"text/xml\"/>"
    "</manifest:manifest>\n";

// --- HTML -----------------------------------------------------------------------

const char* cssAlignment(int alignment)
{
    switch (alignment) {
    case styled::AlignRight: return "right";
    case styled::AlignCentre: return "center";
    default: return "left";
    }
}

QByteArray cssOf(const FormatKey& k)
{
    QByteArray css = "font-family: '" + QString(k.format.font).replace(QLatin1Char('\''), QLatin1String("\\'")).toUtf8()
        + "'; font-size: " + QByteArray::number(std::max(k.format.size, 1)) + "pt";
    if (k.format.style & styled::Bold)
        css += "; font-weight: bold";
    if (k.format.style & styled::Italic)
        css += "; font-style: italic";
    if (k.format.style & (styled::Underline | styled::StrikeOut)) {
        css += "; text-decoration:";
        if (k.format.style & styled::Underline)
            css += " underline";
        if (k.format.style & styled::StrikeOut)
            css += " line-through";
    }
    return css;
}

} // namespace

styled::Run exportedRun(const styled::Run& run, const QString& greekFamily)
{
    if (run.format.font != greekFont())
        return run;
    styled::Run out{unicodegreek::exportGreek(run.text), run.format};
    out.format.font = greekFamily;
    return out;
}

bool writeOdt(const styled::Document& document, QIODevice& out, const Options& options, QString* error)
{
    FormatTable table;
    for (const styled::Paragraph& p : document.paragraphs)
        for (const styled::Run& r : p.runs)
            table.add(keyOf(r, options));
    ZipWriter zip(out);
    // The type first and stored, so that it can be read at a fixed place.
    zip.beginEntry(QStringLiteral("mimetype"), true);
    zip.write(QByteArray("application/vnd.oasis.opendocument.text"));
    zip.beginEntry(QStringLiteral("content.xml"));
    {
        Sink s(*zip.entryDevice());
        odtContent(s, document, table, options);
    }
    zip.beginEntry(QStringLiteral("styles.xml"));
    {
        Sink s(*zip.entryDevice());
        odtStyles(s, options);
    }
    zip.beginEntry(QStringLiteral("meta.xml"));
    {
        Sink s(*zip.entryDevice());
        odtMeta(s, options);
    }
    zip.beginEntry(QStringLiteral("META-INF/manifest.xml"));
    zip.write(QByteArray(kManifest));
    if (!zip.finish()) {
        *error = zip.error();
        return false;
    }
    return true;
}

bool writeHtml(const styled::Document& document, QIODevice& out, const Options& options, QString* error)
{
    Sink s(out);
    // Well-formed as XML as well, so that any reader takes it. A paragraph of
    // text is preformatted: readers keep its spaces as they are (LibreOffice
    // drops a paragraph's leading space and runs of spaces otherwise), a tab
    // written as &#9; stays a tab; an empty one is a line break in a
    // paragraph, which every reader keeps.
    s << "<!DOCTYPE html>\n<html xmlns=\"http://www.w3.org/1999/xhtml\" lang=\"de\">\n<head>\n<meta charset=\"utf-8\"/>\n<title>";
    s.escaped(xmlCharacters(options.title));
    s << "</title>\n<style>\np, pre { margin: 0; white-space: pre-wrap; font-family: '";
    s << QString(options.greekFamily).remove(QLatin1Char('\'')) << "'; font-size: " << QByteArray::number(styled::kDefaultSize)
      << "pt; }\n</style>\n</head>\n<body>\n";
    QHash<FormatKey, QByteArray> css;
    for (const styled::Paragraph& p : document.paragraphs) {
        const char* element = p.runs.isEmpty() ? "p" : "pre";
        s << "<" << element;
        if (p.alignment != styled::AlignLeft)
            s << " style=\"text-align: " << cssAlignment(p.alignment) << "\"";
        s << ">";
        if (p.runs.isEmpty())
            s << "<br/>";
        for (const styled::Run& r : p.runs) {
            const FormatKey k = keyOf(r, options);
            auto it = css.find(k);
            if (it == css.end())
                it = css.insert(k, cssOf(k));
            s << "<span";
            if (k.greek)
                s << " lang=\"grc\"";
            s << " style=\"";
            s.escaped(QString::fromUtf8(*it), true);
            s << "\">";
            const QString text = runText(r);
            qsizetype start = 0;
            for (qsizetype i = 0; i <= text.size(); ++i) {
                if (i < text.size() && text[i] != QLatin1Char('\t'))
                    continue;
                s.escaped(QStringView(text).mid(start, i - start));
                if (i < text.size())
                    s << "&#9;";
                start = i + 1;
            }
            s << "</span>";
        }
        s << "</" << element << ">\n";
    }
    s << "</body>\n</html>\n";
    if (!s.flush()) {
        *error = out.errorString();
        return false;
    }
    return true;
}

bool writeText(const styled::Document& document, QIODevice& out, QString* error)
{
    Sink s(out);
    for (qsizetype i = 0; i < document.paragraphs.size(); ++i) {
        if (i > 0)
            s << "\n";
        for (const styled::Run& r : document.paragraphs[i].runs)
            s << runText(r);
    }
    if (!s.flush()) {
        *error = out.errorString();
        return false;
    }
    return true;
}

} // namespace exportwriters
