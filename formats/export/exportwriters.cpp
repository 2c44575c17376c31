#include "exportwriters.h"

#include "ioerror.h"
#include "unicodegreek.h"

#include <QHash>
#include <QIODevice>
#include <QSet>
#include <QStringEncoder>
#include <QXmlStreamWriter>

#include <quazip.h>
#include <quazipfile.h>

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

// Characters XML cannot hold (controls, U+FFFE, U+FFFF, lone surrogates) as
// U+FFFD; line ends too, which no paragraph holds. Tabs stay.
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

// Greek runs carry this character style in DOCX and ODT: the program's
// readers know them as the font's codes again, their spaces and marks included.
const QString kGreekStyle = QStringLiteral("StiloraGreek");

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

// Every format the document's runs have, as exported.
FormatTable formatsOf(const styled::Document& document, const Options& options)
{
    FormatTable table;
    for (const styled::Paragraph& p : document.paragraphs)
        for (const styled::Run& r : p.runs)
            table.add(keyOf(r, options));
    return table;
}

QString runText(const styled::Run& run)
{
    return run.format.font == greekFont() ? unicodegreek::exportGreek(run.text) : run.text;
}

// --- OpenDocument -----------------------------------------------------------------

const QString kOffice = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:office:1.0");
const QString kStyle = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:style:1.0");
const QString kText = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:text:1.0");
const QString kFo = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0");
const QString kSvg = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0");
const QString kMeta = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:meta:1.0");
const QString kDc = QStringLiteral("http://purl.org/dc/elements/1.1/");

// An OpenDocument part's root element with every namespace the parts use.
void startPart(QXmlStreamWriter& x, const QString& root)
{
    x.writeStartDocument();
    for (const auto& [uri, prefix] : {std::pair{kOffice, "office"}, {kStyle, "style"}, {kText, "text"}, {kFo, "fo"}, {kSvg, "svg"},
                                      {kMeta, "meta"}, {kDc, "dc"}})
        x.writeNamespace(uri, QString::fromLatin1(prefix));
    x.writeStartElement(kOffice, root);
    x.writeAttribute(kOffice, QStringLiteral("version"), QStringLiteral("1.2"));
}

QString odtAlignment(int alignment)
{
    switch (alignment) {
    case styled::AlignRight: return QStringLiteral("end");
    case styled::AlignCentre: return QStringLiteral("center");
    default: return QStringLiteral("start");
    }
}

void fontFaces(QXmlStreamWriter& x, const QStringList& families)
{
    x.writeStartElement(kOffice, QStringLiteral("font-face-decls"));
    for (const QString& f : families) {
        x.writeEmptyElement(kStyle, QStringLiteral("font-face"));
        x.writeAttribute(kStyle, QStringLiteral("name"), xmlCharacters(f));
        x.writeAttribute(kSvg, QStringLiteral("font-family"), xmlCharacters(QLatin1Char('\'') + f + QLatin1Char('\'')));
    }
    x.writeEndElement();
}

void textProperties(QXmlStreamWriter& x, const FormatKey& k)
{
    x.writeEmptyElement(kStyle, QStringLiteral("text-properties"));
    x.writeAttribute(kStyle, QStringLiteral("font-name"), xmlCharacters(k.format.font));
    x.writeAttribute(kFo, QStringLiteral("font-size"), QString::number(std::max(k.format.size, 1)) + QStringLiteral("pt"));
    if (k.format.style & styled::Bold)
        x.writeAttribute(kFo, QStringLiteral("font-weight"), QStringLiteral("bold"));
    if (k.format.style & styled::Italic)
        x.writeAttribute(kFo, QStringLiteral("font-style"), QStringLiteral("italic"));
    if (k.format.style & styled::Underline) {
        x.writeAttribute(kStyle, QStringLiteral("text-underline-style"), QStringLiteral("solid"));
        x.writeAttribute(kStyle, QStringLiteral("text-underline-width"), QStringLiteral("auto"));
        x.writeAttribute(kStyle, QStringLiteral("text-underline-color"), QStringLiteral("font-color"));
    }
    if (k.format.style & styled::StrikeOut) {
        x.writeAttribute(kStyle, QStringLiteral("text-line-through-style"), QStringLiteral("solid"));
        x.writeAttribute(kStyle, QStringLiteral("text-line-through-type"), QStringLiteral("single"));
    }
    if (k.greek) {
        x.writeAttribute(kFo, QStringLiteral("language"), QStringLiteral("grc"));
        x.writeAttribute(kFo, QStringLiteral("country"), QStringLiteral("none"));
    }
}

// One paragraph's runs. Readers of OpenDocument collapse spaces: a space
// that does not follow a character, or ends the paragraph, is written as
// <text:s/>; a tab as <text:tab/>.
void odtParagraph(QXmlStreamWriter& x, const styled::Paragraph& p, const FormatTable& table, const Options& o)
{
    const QString style = QStringLiteral("P%1").arg(std::clamp(p.alignment, 0, 2) + 1);
    if (p.runs.isEmpty()) {
        x.writeEmptyElement(kText, QStringLiteral("p"));
        x.writeAttribute(kText, QStringLiteral("style-name"), style);
        return;
    }
    x.writeStartElement(kText, QStringLiteral("p"));
    x.writeAttribute(kText, QStringLiteral("style-name"), style);
    QList<QString> texts;
    for (const styled::Run& r : p.runs)
        texts.append(xmlCharacters(runText(r)));
    bool afterCharacter = false;
    for (qsizetype i = 0; i < p.runs.size(); ++i) {
        const QString& t = texts[i];
        x.writeStartElement(kText, QStringLiteral("span"));
        x.writeAttribute(kText, QStringLiteral("style-name"), QStringLiteral("T%1").arg(table.index.value(keyOf(p.runs[i], o)) + 1));
        qsizetype start = 0;
        auto plain = [&](qsizetype end) {
            if (end > start)
                x.writeCharacters(t.mid(start, end - start));
        };
        for (qsizetype k = 0; k < t.size(); ++k) {
            const QChar ch = t[k];
            if (ch == QLatin1Char('\t')) {
                plain(k);
                x.writeEmptyElement(kText, QStringLiteral("tab"));
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
            x.writeEmptyElement(kText, QStringLiteral("s"));
            if (n > 1)
                x.writeAttribute(kText, QStringLiteral("c"), QString::number(n));
            k += n - 1;
            start = k + 1;
            afterCharacter = false;
        }
        plain(t.size());
        x.writeEndElement();
    }
    x.writeEndElement();
}

void odtContent(QXmlStreamWriter& x, const styled::Document& d, const FormatTable& table, const Options& o)
{
    startPart(x, QStringLiteral("document-content"));
    fontFaces(x, table.families);
    x.writeStartElement(kOffice, QStringLiteral("automatic-styles"));
    for (int a = 0; a < 3; ++a) {
        x.writeStartElement(kStyle, QStringLiteral("style"));
        x.writeAttribute(kStyle, QStringLiteral("name"), QStringLiteral("P%1").arg(a + 1));
        x.writeAttribute(kStyle, QStringLiteral("family"), QStringLiteral("paragraph"));
        x.writeAttribute(kStyle, QStringLiteral("parent-style-name"), QStringLiteral("Standard"));
        x.writeEmptyElement(kStyle, QStringLiteral("paragraph-properties"));
        x.writeAttribute(kFo, QStringLiteral("text-align"), odtAlignment(a));
        x.writeEndElement();
    }
    for (qsizetype i = 0; i < table.formats.size(); ++i) {
        x.writeStartElement(kStyle, QStringLiteral("style"));
        x.writeAttribute(kStyle, QStringLiteral("name"), QStringLiteral("T%1").arg(i + 1));
        x.writeAttribute(kStyle, QStringLiteral("family"), QStringLiteral("text"));
        if (table.formats[i].greek)
            x.writeAttribute(kStyle, QStringLiteral("parent-style-name"), kGreekStyle);
        textProperties(x, table.formats[i]);
        x.writeEndElement();
    }
    x.writeEndElement();
    x.writeStartElement(kOffice, QStringLiteral("body"));
    x.writeStartElement(kOffice, QStringLiteral("text"));
    for (const styled::Paragraph& p : d.paragraphs)
        odtParagraph(x, p, table, o);
    x.writeEndDocument();
}

void odtStyles(QXmlStreamWriter& x, const Options& o)
{
    // The editor's own 14 points and font for whatever has no format of its own.
    startPart(x, QStringLiteral("document-styles"));
    fontFaces(x, {o.greekFamily});
    x.writeStartElement(kOffice, QStringLiteral("styles"));
    x.writeStartElement(kStyle, QStringLiteral("default-style"));
    x.writeAttribute(kStyle, QStringLiteral("family"), QStringLiteral("paragraph"));
    x.writeEmptyElement(kStyle, QStringLiteral("paragraph-properties"));
    x.writeAttribute(kFo, QStringLiteral("margin-top"), QStringLiteral("0cm"));
    x.writeAttribute(kFo, QStringLiteral("margin-bottom"), QStringLiteral("0cm"));
    x.writeEmptyElement(kStyle, QStringLiteral("text-properties"));
    x.writeAttribute(kStyle, QStringLiteral("font-name"), xmlCharacters(o.greekFamily));
    x.writeAttribute(kFo, QStringLiteral("font-size"), QString::number(styled::kDefaultSize) + QStringLiteral("pt"));
    x.writeEndElement();
    x.writeEmptyElement(kStyle, QStringLiteral("style"));
    x.writeAttribute(kStyle, QStringLiteral("name"), QStringLiteral("Standard"));
    x.writeAttribute(kStyle, QStringLiteral("family"), QStringLiteral("paragraph"));
    x.writeAttribute(kStyle, QStringLiteral("class"), QStringLiteral("text"));
    // The Greek's own character style: the program reads its runs back as the font's codes.
    x.writeEmptyElement(kStyle, QStringLiteral("style"));
    x.writeAttribute(kStyle, QStringLiteral("name"), kGreekStyle);
    x.writeAttribute(kStyle, QStringLiteral("display-name"), QStringLiteral("Griechisch (Stilora)"));
    x.writeAttribute(kStyle, QStringLiteral("family"), QStringLiteral("text"));
    x.writeEndDocument();
}

void odtMeta(QXmlStreamWriter& x, const Options& o)
{
    startPart(x, QStringLiteral("document-meta"));
    x.writeStartElement(kOffice, QStringLiteral("meta"));
    x.writeTextElement(kMeta, QStringLiteral("generator"), QStringLiteral("Stilora"));
    if (!o.title.isEmpty())
        x.writeTextElement(kDc, QStringLiteral("title"), xmlCharacters(o.title));
    x.writeEndDocument();
}

void odtManifest(QXmlStreamWriter& x)
{
    const QString manifest = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:manifest:1.0");
    x.writeStartDocument();
    x.writeNamespace(manifest, QStringLiteral("manifest"));
    x.writeStartElement(manifest, QStringLiteral("manifest"));
    x.writeAttribute(manifest, QStringLiteral("version"), QStringLiteral("1.2"));
    const std::pair<const char*, const char*> entries[] = {{"/", "application/vnd.oasis.opendocument.text"},
                                                           {"content.xml", "text/xml"},
                                                           {"styles.xml", "text/xml"},
                                                           {"meta.xml", "text/xml"}};
    for (const auto& [path, type] : entries) {
        x.writeEmptyElement(manifest, QStringLiteral("file-entry"));
        x.writeAttribute(manifest, QStringLiteral("full-path"), QString::fromLatin1(path));
        if (QLatin1String(path) == QLatin1String("/"))
            x.writeAttribute(manifest, QStringLiteral("version"), QStringLiteral("1.2"));
        x.writeAttribute(manifest, QStringLiteral("media-type"), QString::fromLatin1(type));
    }
    x.writeEndDocument();
}

// --- HTML -----------------------------------------------------------------------

QString cssAlignment(int alignment)
{
    switch (alignment) {
    case styled::AlignRight: return QStringLiteral("right");
    case styled::AlignCentre: return QStringLiteral("center");
    default: return QStringLiteral("left");
    }
}

QString cssOf(const FormatKey& k)
{
    QString css = QStringLiteral("font-family: '") + QString(k.format.font).replace(QLatin1Char('\''), QLatin1String("\\'"))
        + QStringLiteral("'; font-size: ") + QString::number(std::max(k.format.size, 1)) + QStringLiteral("pt");
    if (k.format.style & styled::Bold)
        css += QStringLiteral("; font-weight: bold");
    if (k.format.style & styled::Italic)
        css += QStringLiteral("; font-style: italic");
    if (k.format.style & (styled::Underline | styled::StrikeOut)) {
        css += QStringLiteral("; text-decoration:");
        if (k.format.style & styled::Underline)
            css += QStringLiteral(" underline");
        if (k.format.style & styled::StrikeOut)
            css += QStringLiteral(" line-through");
    }
    return xmlCharacters(css);
}

// A writer that failed: the device's own cause comes from the device (a
// CheckedFile knows its errno); this says what could not be written.
[[noreturn]] void notWritten(const QString& what) { throw IoError(IoError::Cause::NotWritten, what); }

// The parts of an ODT or a DOCX through QuaZip: each written whole, stored or deflated.
class PackageArchive {
public:
    explicit PackageArchive(QIODevice& out)
        : m_zip(&out)
    {
        if (!m_zip.open(QuaZip::mdCreate))
            notWritten(QStringLiteral("ZIP-Archiv (Fehler %1)").arg(m_zip.getZipError()));
    }
    template <class Write>
    void part(const QString& name, bool stored, Write&& write)
    {
        QuaZipFile entry(&m_zip);
        if (!entry.open(QIODevice::WriteOnly, QuaZipNewInfo(name), nullptr, 0, stored ? 0 : Z_DEFLATED, stored ? 0 : 6))
            notWritten(QStringLiteral("%1 (ZIP-Fehler %2)").arg(name).arg(entry.getZipError()));
        write(entry);
        entry.close();
        if (entry.getZipError() != UNZ_OK)
            notWritten(QStringLiteral("%1 (ZIP-Fehler %2)").arg(name).arg(entry.getZipError()));
    }
    void finish()
    {
        m_zip.close();
        if (m_zip.getZipError() != UNZ_OK)
            notWritten(QStringLiteral("ZIP-Archiv (Fehler %1)").arg(m_zip.getZipError()));
    }

private:
    QuaZip m_zip;
};

// Collects the XML writer's many small writes into large ones: each write
// into a zip entry is a call into the deflater, which costs more than the
// bytes of a small element.
class Chunked : public QIODevice {
public:
    explicit Chunked(QIODevice& target)
        : m_target(target)
    {
        m_buffer.reserve(kChunk);
        open(QIODevice::WriteOnly);
    }
    // Writes what is left; false when the target refused a write.
    bool finish()
    {
        flushChunk();
        return m_ok;
    }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override
    {
        m_buffer.append(data, qsizetype(size));
        if (m_buffer.size() >= kChunk)
            flushChunk();
        return m_ok ? size : -1;
    }

private:
    static constexpr qsizetype kChunk = 256 * 1024;
    void flushChunk()
    {
        if (m_ok && !m_buffer.isEmpty())
            m_ok = m_target.write(m_buffer) == m_buffer.size();
        m_buffer.clear();
    }

    QIODevice& m_target;
    QByteArray m_buffer;
    bool m_ok = true;
};

void xmlPart(PackageArchive& zip, const QString& name, const std::function<void(QXmlStreamWriter&)>& write)
{
    zip.part(name, false, [&](QIODevice& entry) {
        Chunked chunked(entry);
        QXmlStreamWriter x(&chunked);
        write(x);
        if (x.hasError() || !chunked.finish())
            notWritten(name);
    });
}

// --- Word -------------------------------------------------------------------------

const QString kW = QStringLiteral("http://schemas.openxmlformats.org/wordprocessingml/2006/main");
// The page as the print lays it out: A4, margins of 10 mm (567 twips).
constexpr int kA4WidthTwips = 11906, kA4HeightTwips = 16838, kMarginTwips = 567;

void docxRunProperties(QXmlStreamWriter& x, const FormatKey& k)
{
    x.writeStartElement(kW, QStringLiteral("rPr"));
    x.writeEmptyElement(kW, QStringLiteral("rFonts"));
    for (const char* a : {"ascii", "hAnsi", "cs"})
        x.writeAttribute(kW, QLatin1String(a), k.format.font);
    if (k.format.style & styled::Bold)
        x.writeEmptyElement(kW, QStringLiteral("b"));
    if (k.format.style & styled::Italic)
        x.writeEmptyElement(kW, QStringLiteral("i"));
    if (k.format.style & styled::StrikeOut)
        x.writeEmptyElement(kW, QStringLiteral("strike"));
    if (k.format.style & styled::Underline) {
        x.writeEmptyElement(kW, QStringLiteral("u"));
        x.writeAttribute(kW, QStringLiteral("val"), QStringLiteral("single"));
    }
    for (const char* e : {"sz", "szCs"}) {
        x.writeEmptyElement(kW, QLatin1String(e));
        x.writeAttribute(kW, QStringLiteral("val"), QString::number(k.format.size * 2));
    }
    x.writeEndElement();
}

// A run's format as one of the document's character styles (S1, S2, ...),
// each defined once in the styles part: a book's runs stay short.
QString docxStyleId(int index) { return QStringLiteral("S%1").arg(index + 1); }

void docxDocument(QXmlStreamWriter& x, const styled::Document& d, const FormatTable& table, const Options& o)
{
    x.writeStartDocument(QStringLiteral("1.0"), true);
    x.writeNamespace(kW, QStringLiteral("w"));
    x.writeStartElement(kW, QStringLiteral("document"));
    x.writeStartElement(kW, QStringLiteral("body"));
    static const char* const kJustification[] = {"left", "right", "center"};
    for (const styled::Paragraph& p : d.paragraphs) {
        x.writeStartElement(kW, QStringLiteral("p"));
        x.writeStartElement(kW, QStringLiteral("pPr"));
        x.writeEmptyElement(kW, QStringLiteral("jc"));
        x.writeAttribute(kW, QStringLiteral("val"), QLatin1String(kJustification[std::clamp(p.alignment, 0, 2)]));
        x.writeEndElement();
        for (const styled::Run& r : p.runs) {
            const QString text = xmlCharacters(runText(r));
            x.writeStartElement(kW, QStringLiteral("r"));
            x.writeStartElement(kW, QStringLiteral("rPr"));
            x.writeEmptyElement(kW, QStringLiteral("rStyle"));
            x.writeAttribute(kW, QStringLiteral("val"), docxStyleId(table.index.value(keyOf(r, o))));
            x.writeEndElement();
            const QStringList pieces = text.split(QLatin1Char('\t'));
            for (qsizetype i = 0; i < pieces.size(); ++i) {
                if (i > 0)
                    x.writeEmptyElement(kW, QStringLiteral("tab"));
                if (pieces[i].isEmpty())
                    continue;
                x.writeStartElement(kW, QStringLiteral("t"));
                x.writeAttribute(QStringLiteral("xml:space"), QStringLiteral("preserve"));
                x.writeCharacters(pieces[i]);
                x.writeEndElement();
            }
            x.writeEndElement();
        }
        x.writeEndElement();
    }
    x.writeStartElement(kW, QStringLiteral("sectPr"));
    x.writeEmptyElement(kW, QStringLiteral("pgSz"));
    x.writeAttribute(kW, QStringLiteral("w"), QString::number(kA4WidthTwips));
    x.writeAttribute(kW, QStringLiteral("h"), QString::number(kA4HeightTwips));
    x.writeEmptyElement(kW, QStringLiteral("pgMar"));
    for (const char* side : {"top", "right", "bottom", "left"})
        x.writeAttribute(kW, QLatin1String(side), QString::number(kMarginTwips));
    for (const char* none : {"header", "footer", "gutter"})
        x.writeAttribute(kW, QLatin1String(none), QStringLiteral("0"));
    x.writeEndElement();
    x.writeEndElement();
    x.writeEndElement();
    x.writeEndDocument();
}

void docxStyles(QXmlStreamWriter& x, const FormatTable& table, const Options& o)
{
    x.writeStartDocument(QStringLiteral("1.0"), true);
    x.writeNamespace(kW, QStringLiteral("w"));
    x.writeStartElement(kW, QStringLiteral("styles"));
    x.writeStartElement(kW, QStringLiteral("docDefaults"));
    x.writeStartElement(kW, QStringLiteral("rPrDefault"));
    docxRunProperties(x, FormatKey{styled::CharFormat{o.greekFamily, styled::kDefaultSize, 0}, false});
    x.writeEndElement();
    x.writeEndElement();
    x.writeStartElement(kW, QStringLiteral("style"));
    x.writeAttribute(kW, QStringLiteral("type"), QStringLiteral("character"));
    x.writeAttribute(kW, QStringLiteral("styleId"), kGreekStyle);
    x.writeEmptyElement(kW, QStringLiteral("name"));
    x.writeAttribute(kW, QStringLiteral("val"), QStringLiteral("Griechisch (Stilora)"));
    x.writeEndElement();
    for (qsizetype i = 0; i < table.formats.size(); ++i) {
        const FormatKey& k = table.formats[i];
        x.writeStartElement(kW, QStringLiteral("style"));
        x.writeAttribute(kW, QStringLiteral("type"), QStringLiteral("character"));
        x.writeAttribute(kW, QStringLiteral("styleId"), docxStyleId(int(i)));
        x.writeEmptyElement(kW, QStringLiteral("name"));
        x.writeAttribute(kW, QStringLiteral("val"), QStringLiteral("Stilora %1").arg(i + 1));
        if (k.greek) {
            x.writeEmptyElement(kW, QStringLiteral("basedOn"));
            x.writeAttribute(kW, QStringLiteral("val"), kGreekStyle);
        }
        docxRunProperties(x, k);
        x.writeEndElement();
    }
    x.writeEndElement();
    x.writeEndDocument();
}

void packagePart(QXmlStreamWriter& x, const char* root, const char* ns, const QList<QList<std::pair<const char*, QString>>>& entries,
                 const char* entry)
{
    x.writeStartDocument(QStringLiteral("1.0"), true);
    x.writeDefaultNamespace(QLatin1String(ns));
    x.writeStartElement(QLatin1String(ns), QLatin1String(root));
    for (const auto& attributes : entries) {
        x.writeEmptyElement(QLatin1String(ns), QLatin1String(entry));
        for (const auto& [name, value] : attributes)
            x.writeAttribute(QLatin1String(name), value);
    }
    x.writeEndElement();
    x.writeEndDocument();
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

void writeDocx(const styled::Document& document, QIODevice& out, const Options& options)
{
    const FormatTable table = formatsOf(document, options);
    PackageArchive zip(out);
    const char* types = "http://schemas.openxmlformats.org/package/2006/content-types";
    const char* rels = "http://schemas.openxmlformats.org/package/2006/relationships";
    const QString officeRels = QStringLiteral("http://schemas.openxmlformats.org/officeDocument/2006/relationships/");
    xmlPart(zip, QStringLiteral("[Content_Types].xml"), [&](QXmlStreamWriter& x) {
        x.writeStartDocument(QStringLiteral("1.0"), true);
        x.writeDefaultNamespace(QLatin1String(types));
        x.writeStartElement(QLatin1String(types), QStringLiteral("Types"));
        x.writeEmptyElement(QLatin1String(types), QStringLiteral("Default"));
        x.writeAttribute(QStringLiteral("Extension"), QStringLiteral("rels"));
        x.writeAttribute(QStringLiteral("ContentType"), QStringLiteral("application/vnd.openxmlformats-package.relationships+xml"));
        x.writeEmptyElement(QLatin1String(types), QStringLiteral("Default"));
        x.writeAttribute(QStringLiteral("Extension"), QStringLiteral("xml"));
        x.writeAttribute(QStringLiteral("ContentType"), QStringLiteral("application/xml"));
        const std::pair<const char*, const char*> parts[] = {
            {"/word/document.xml", "application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml"},
            {"/word/styles.xml", "application/vnd.openxmlformats-officedocument.wordprocessingml.styles+xml"}};
        for (const auto& [name, type] : parts) {
            x.writeEmptyElement(QLatin1String(types), QStringLiteral("Override"));
            x.writeAttribute(QStringLiteral("PartName"), QLatin1String(name));
            x.writeAttribute(QStringLiteral("ContentType"), QLatin1String(type));
        }
        x.writeEndElement();
        x.writeEndDocument();
    });
    xmlPart(zip, QStringLiteral("_rels/.rels"), [&](QXmlStreamWriter& x) {
        packagePart(x, "Relationships", rels,
                    {{{"Id", QStringLiteral("rId1")}, {"Type", officeRels + QStringLiteral("officeDocument")}, {"Target", QStringLiteral("word/document.xml")}}},
                    "Relationship");
    });
    xmlPart(zip, QStringLiteral("word/_rels/document.xml.rels"), [&](QXmlStreamWriter& x) {
        packagePart(x, "Relationships", rels,
                    {{{"Id", QStringLiteral("rId1")}, {"Type", officeRels + QStringLiteral("styles")}, {"Target", QStringLiteral("styles.xml")}}},
                    "Relationship");
    });
    xmlPart(zip, QStringLiteral("word/document.xml"), [&](QXmlStreamWriter& x) { docxDocument(x, document, table, options); });
    xmlPart(zip, QStringLiteral("word/styles.xml"), [&](QXmlStreamWriter& x) { docxStyles(x, table, options); });
    zip.finish();
}

void writeOdt(const styled::Document& document, QIODevice& out, const Options& options)
{
    const FormatTable table = formatsOf(document, options);
    PackageArchive zip(out);
    // The type first and stored, so that it can be read at a fixed place.
    zip.part(QStringLiteral("mimetype"), true, [](QIODevice& entry) {
        if (entry.write("application/vnd.oasis.opendocument.text") < 0)
            notWritten(QStringLiteral("mimetype"));
    });
    xmlPart(zip, QStringLiteral("content.xml"), [&](QXmlStreamWriter& x) { odtContent(x, document, table, options); });
    xmlPart(zip, QStringLiteral("styles.xml"), [&](QXmlStreamWriter& x) { odtStyles(x, options); });
    xmlPart(zip, QStringLiteral("meta.xml"), [&](QXmlStreamWriter& x) { odtMeta(x, options); });
    xmlPart(zip, QStringLiteral("META-INF/manifest.xml"), [](QXmlStreamWriter& x) { odtManifest(x); });
    zip.finish();
}

void writeHtml(const styled::Document& document, QIODevice& out, const Options& options)
{
    Chunked chunked(out);
    QXmlStreamWriter x(&chunked);
    // Well-formed as XML as well, so that any reader takes it. A paragraph of
    // text is preformatted: readers keep its spaces as they are (LibreOffice
    // drops a paragraph's leading space and runs of spaces otherwise), a tab
    // written as &#9; stays a tab; an empty one is a line break in a
    // paragraph, which every reader keeps.
    x.writeDTD(QStringLiteral("<!DOCTYPE html>"));
    x.writeCharacters(QStringLiteral("\n"));
    x.writeStartElement(QStringLiteral("html"));
    x.writeAttribute(QStringLiteral("xmlns"), QStringLiteral("http://www.w3.org/1999/xhtml"));
    x.writeAttribute(QStringLiteral("lang"), QStringLiteral("de"));
    x.writeCharacters(QStringLiteral("\n"));
    x.writeStartElement(QStringLiteral("head"));
    x.writeEmptyElement(QStringLiteral("meta"));
    x.writeAttribute(QStringLiteral("charset"), QStringLiteral("utf-8"));
    x.writeTextElement(QStringLiteral("title"), xmlCharacters(options.title));
    x.writeTextElement(QStringLiteral("style"),
                       QStringLiteral("\np, pre { margin: 0; white-space: pre-wrap; font-family: '%1'; font-size: %2pt; }\n")
                           .arg(xmlCharacters(QString(options.greekFamily).remove(QLatin1Char('\''))))
                           .arg(styled::kDefaultSize));
    x.writeEndElement();
    x.writeCharacters(QStringLiteral("\n"));
    x.writeStartElement(QStringLiteral("body"));
    x.writeCharacters(QStringLiteral("\n"));
    QHash<FormatKey, QString> css;
    for (const styled::Paragraph& p : document.paragraphs) {
        x.writeStartElement(p.runs.isEmpty() ? QStringLiteral("p") : QStringLiteral("pre"));
        if (p.alignment != styled::AlignLeft)
            x.writeAttribute(QStringLiteral("style"), QStringLiteral("text-align: ") + cssAlignment(p.alignment));
        if (p.runs.isEmpty())
            x.writeEmptyElement(QStringLiteral("br"));
        for (const styled::Run& r : p.runs) {
            const FormatKey k = keyOf(r, options);
            auto it = css.find(k);
            if (it == css.end())
                it = css.insert(k, cssOf(k));
            x.writeStartElement(QStringLiteral("span"));
            if (k.greek)
                x.writeAttribute(QStringLiteral("lang"), QStringLiteral("grc"));
            x.writeAttribute(QStringLiteral("style"), *it);
            const QString text = xmlCharacters(runText(r));
            qsizetype start = 0;
            for (qsizetype i = 0; i <= text.size(); ++i) {
                if (i < text.size() && text[i] != QLatin1Char('\t'))
                    continue;
                if (i > start)
                    x.writeCharacters(text.mid(start, i - start));
                if (i < text.size())
                    x.writeEntityReference(QStringLiteral("#9"));
                start = i + 1;
            }
            x.writeEndElement();
        }
        x.writeEndElement();
        x.writeCharacters(QStringLiteral("\n"));
    }
    x.writeEndElement();
    x.writeCharacters(QStringLiteral("\n"));
    x.writeEndElement();
    x.writeCharacters(QStringLiteral("\n"));
    if (x.hasError() || !chunked.finish())
        notWritten(QStringLiteral("HTML"));
}

void writeText(const styled::Document& document, QIODevice& out)
{
    // UTF-8 in large pieces.
    QStringEncoder utf8(QStringEncoder::Utf8);
    QByteArray piece;
    auto flush = [&] {
        if (!piece.isEmpty() && out.write(piece) != piece.size())
            notWritten(QStringLiteral("Text"));
        piece.clear();
    };
    for (qsizetype i = 0; i < document.paragraphs.size(); ++i) {
        if (i > 0)
            piece += '\n';
        for (const styled::Run& r : document.paragraphs[i].runs) {
            piece += utf8.encode(runText(r));
            if (piece.size() >= (1 << 16))
                flush();
        }
    }
    flush();
}

} // namespace exportwriters
