#include "odtreader.h"

#include "guardedxml.h"
#include "unicodegreek.h"
#include "ziparchive.h"

#include <QHash>
#include <QXmlStreamReader>

#include <cmath>
#include <optional>

namespace odt {

bool isSuccess(Status status) { return status == Status::Ok; }

QString describe(Status status, qint64)
{
    return status == Status::NotOdt ? QStringLiteral("kein OpenDocument-Text") : guardedxml::message(status);
}

namespace {

const QString kOffice = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:office:1.0");
const QString kStyle = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:style:1.0");
const QString kText = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:text:1.0");
const QString kTable = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:table:1.0");
const QString kDraw = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:drawing:1.0");
const QString kFo = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0");
const QString kSvg = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0");

// What a style says of text; unset: as its parent says.
struct TextProps {
    std::optional<QString> font;
    std::optional<double> size;    // points
    std::optional<double> percent; // of the parent's size
    std::optional<bool> bold, italic, underline, strike, coloured;
    std::optional<int> alignment;
    std::optional<bool> justified;
    bool greek = false; // this program's Greek style: the font's codes, written as Unicode
};

struct Style {
    QString parent;
    TextProps props;
};

using Failure = guardedxml::Failure<Status>;

QString attr(const QXmlStreamReader& x, const QString& ns, const QString& name)
{
    return x.attributes().value(ns, name).toString();
}

double pointsOf(QStringView v, bool* ok)
{
    double factor = 1;
    if (v.endsWith(u"pt"))
        v.chop(2);
    else if (v.endsWith(u"cm"))
        factor = 72 / 2.54, v.chop(2);
    else if (v.endsWith(u"mm"))
        factor = 72 / 25.4, v.chop(2);
    else if (v.endsWith(u"in"))
        factor = 72, v.chop(2);
    else if (v.endsWith(u"px"))
        factor = 0.75, v.chop(2);
    return v.toDouble(ok) * factor;
}

// The styles of all parts, and the fonts their names stand for.
class Sheet {
public:
    void fontFace(const QXmlStreamReader& x)
    {
        QString family = attr(x, kSvg, QStringLiteral("font-family"));
        family.remove(QLatin1Char('\'')).remove(QLatin1Char('"'));
        m_fonts.insert(attr(x, kStyle, QStringLiteral("name")), family);
    }
    // A style:style or style:default-style begins: its properties follow.
    TextProps* begin(const QXmlStreamReader& x, bool isDefault)
    {
        const QString family = attr(x, kStyle, QStringLiteral("family"));
        if (family != QLatin1String("paragraph") && family != QLatin1String("text"))
            return nullptr;
        const QString key = isDefault ? QStringLiteral("default:") + family : family + QLatin1Char(':') + attr(x, kStyle, QStringLiteral("name"));
        Style& s = m_styles[key];
        s.parent = attr(x, kStyle, QStringLiteral("parent-style-name"));
        return &s.props;
    }
    void properties(const QXmlStreamReader& x, TextProps& p) const
    {
        const QString name = x.name().toString();
        if (name == QLatin1String("paragraph-properties")) {
            const QString align = attr(x, kFo, QStringLiteral("text-align"));
            if (align == QLatin1String("center"))
                p.alignment = styled::AlignCentre, p.justified = false;
            else if (align == QLatin1String("end") || align == QLatin1String("right"))
                p.alignment = styled::AlignRight, p.justified = false;
            else if (align == QLatin1String("justify"))
                p.alignment = styled::AlignLeft, p.justified = true;
            else if (!align.isEmpty())
                p.alignment = styled::AlignLeft, p.justified = false;
            return;
        }
        if (name != QLatin1String("text-properties"))
            return;
        const QString font = attr(x, kStyle, QStringLiteral("font-name"));
        if (!font.isEmpty())
            p.font = m_fonts.value(font, font);
        else if (const QString family = attr(x, kFo, QStringLiteral("font-family")); !family.isEmpty())
            p.font = QString(family).remove(QLatin1Char('\'')).remove(QLatin1Char('"'));
        const QString size = attr(x, kFo, QStringLiteral("font-size"));
        bool ok = false;
        if (size.endsWith(QLatin1Char('%'))) {
            const double v = QStringView(size).chopped(1).toDouble(&ok);
            if (ok)
                p.percent = v, p.size.reset();
        } else if (!size.isEmpty()) {
            const double v = pointsOf(size, &ok);
            if (ok && v > 0)
                p.size = v, p.percent.reset();
        }
        if (const QString w = attr(x, kFo, QStringLiteral("font-weight")); !w.isEmpty())
            p.bold = w == QLatin1String("bold") || w.toInt() >= 600;
        if (const QString s = attr(x, kFo, QStringLiteral("font-style")); !s.isEmpty())
            p.italic = s == QLatin1String("italic") || s == QLatin1String("oblique");
        if (const QString u = attr(x, kStyle, QStringLiteral("text-underline-style")); !u.isEmpty())
            p.underline = u != QLatin1String("none");
        if (const QString s = attr(x, kStyle, QStringLiteral("text-line-through-style")); !s.isEmpty())
            p.strike = s != QLatin1String("none");
        if (const QString c = attr(x, kFo, QStringLiteral("color")); !c.isEmpty())
            p.coloured = c.compare(QLatin1String("#000000"), Qt::CaseInsensitive) != 0;
        if (attr(x, kStyle, QStringLiteral("use-window-font-color")) == QLatin1String("true"))
            p.coloured = false;
    }

    // What a named style comes to: its parents' beneath it and, with
    // `defaults`, the family's default beneath them (a span's style lies on
    // its paragraph's, which has the defaults already).
    TextProps resolved(const QString& family, const QString& name, bool defaults = true) const
    {
        QList<const TextProps*> chain;
        QString at = name;
        bool greek = false;
        for (int guard = 0; !at.isEmpty() && guard < 64; ++guard) {
            greek = greek || at == QLatin1String("StiloraGreek");
            const auto it = m_styles.constFind(family + QLatin1Char(':') + at);
            if (it == m_styles.cend())
                break;
            chain << &it->props;
            at = it->parent;
        }
        if (defaults)
            if (const auto it = m_styles.constFind(QStringLiteral("default:") + family); it != m_styles.cend())
                chain << &it->props;
        TextProps out;
        for (auto it = chain.crbegin(); it != chain.crend(); ++it)
            overlay(out, **it);
        out.greek = greek;
        return out;
    }

    static void overlay(TextProps& base, const TextProps& top)
    {
        if (top.font)
            base.font = top.font;
        if (top.size)
            base.size = top.size;
        if (top.percent && base.size)
            base.size = *base.size * *top.percent / 100;
        if (top.bold)
            base.bold = top.bold;
        if (top.italic)
            base.italic = top.italic;
        if (top.underline)
            base.underline = top.underline;
        if (top.strike)
            base.strike = top.strike;
        if (top.coloured)
            base.coloured = top.coloured;
        if (top.alignment)
            base.alignment = top.alignment;
        if (top.justified)
            base.justified = top.justified;
        base.greek = top.greek;
    }

private:
    QHash<QString, QString> m_fonts;
    QHash<QString, Style> m_styles;
};

// Reads the styles of one part; the headers and footers of its page styles
// are counted, not read. A failure is returned.
std::optional<Failure> readStyles(const QByteArray& xml, Sheet& sheet, ImportNotes& notes)
{
    guardedxml::Reader<Status> reader(xml);
    QXmlStreamReader& x = reader.x;
    TextProps* current = nullptr;
    while (reader.next()) {
        const bool style = x.namespaceUri() == kStyle;
        const bool styleElement = style && (x.name() == QLatin1String("style") || x.name() == QLatin1String("default-style"));
        if (x.isStartElement()) {
            if (style && x.name() == QLatin1String("font-face"))
                sheet.fontFace(x);
            else if (style && (x.name() == QLatin1String("header") || x.name() == QLatin1String("footer")))
                ++notes.headersFooters;
            else if (styleElement)
                current = sheet.begin(x, x.name() == QLatin1String("default-style"));
            else if (current && style)
                sheet.properties(x, *current);
        } else if (x.isEndElement() && styleElement) {
            current = nullptr;
        }
    }
    return reader.failure();
}

// The body: paragraphs and their runs, notes set aside for the end.
class Body {
public:
    Body(const Sheet& sheet, ImportNotes& notes)
        : m_sheet(sheet)
        , m_notes(notes)
    {
    }

    std::optional<Failure> read(const QByteArray& xml)
    {
        guardedxml::Reader<Status> reader(xml);
        QXmlStreamReader& x = reader.x;
        while (reader.next()) {
            if (x.isStartElement())
                start(x);
            else if (x.isEndElement())
                end(x);
            else if (m_skip == 0 && m_inParagraph > 0)
                text(x.text());
        }
        return reader.failure();
    }

    styled::Document take()
    {
        styled::Document document = m_main.take();
        QList<styled::Document> texts;
        QStringList numbers;
        for (const Note& n : m_notesText) {
            texts.append(n.paragraphs);
            numbers.append(n.number);
        }
        appendNotesAtEnd(document, texts, numbers);
        return document;
    }

private:
    struct Note {
        QString number;
        styled::Document paragraphs;
    };
    struct Span {
        TextProps props;
    };

    styled::DocumentBuilder& out() { return m_inNote > 0 ? m_noteBuilder : m_main; }

    bool is(const QXmlStreamReader& x, const QString& ns, const char* name) const { return x.namespaceUri() == ns && x.name() == QLatin1String(name); }

    void start(const QXmlStreamReader& x)
    {
        if (m_skip > 0) {
            if (is(x, kText, "changed-region"))
                ++m_notes.trackedChanges;
            ++m_skip;
            return;
        }
        if (is(x, kText, "p") || is(x, kText, "h")) {
            beginParagraph(attr(x, kText, QStringLiteral("style-name")));
        } else if (is(x, kText, "span")) {
            TextProps p = m_spans.isEmpty() ? m_paragraphProps : m_spans.last().props;
            Sheet::overlay(p, m_sheet.resolved(QStringLiteral("text"), attr(x, kText, QStringLiteral("style-name")), false));
            m_spans.append({p});
        } else if (is(x, kText, "s")) {
            const int n = std::clamp(attr(x, kText, QStringLiteral("c")).toInt(), 1, 10000);
            emitText(QString(attr(x, kText, QStringLiteral("c")).isEmpty() ? 1 : n, QLatin1Char(' ')));
            m_space = true;
        } else if (is(x, kText, "tab")) {
            emitText(QStringLiteral("\t"));
            m_space = false;
        } else if (is(x, kText, "line-break")) {
            ++m_notes.lineBreaks;
            const QString style = m_paragraphStyle;
            endParagraph();
            beginParagraph(style, false);
        } else if (is(x, kText, "note")) {
            m_noteNumber.clear();
        } else if (is(x, kText, "note-citation")) {
            m_inCitation = true;
        } else if (is(x, kText, "note-body")) {
            ++m_notes.notes;
            m_saved.append({m_paragraphProps, m_paragraphStyle, m_spans, m_inParagraph, m_space});
            m_spans.clear();
            m_inParagraph = 0;
            ++m_inNote;
            m_noteBuilder = styled::DocumentBuilder();
            m_noteFirst = true;
        } else if (is(x, kDraw, "image")) {
            ++m_notes.pictures;
            m_skip = 1;
        } else if (is(x, kDraw, "object") || is(x, kDraw, "object-ole")) {
            ++m_notes.objects;
            m_skip = 1;
        } else if (is(x, kOffice, "annotation")) {
            ++m_notes.comments;
            m_skip = 1;
        } else if (is(x, kText, "tracked-changes")) {
            // What was deleted is stored here: the text is read as shown.
            m_skip = 1;
        } else if (is(x, kStyle, "header") || is(x, kStyle, "footer")) {
            m_skip = 1; // counted with the styles
        } else if (is(x, kOffice, "automatic-styles") || is(x, kOffice, "styles")
                   || is(x, kOffice, "font-face-decls") || is(x, kOffice, "meta") || is(x, kOffice, "settings")
                   || is(x, kOffice, "scripts") || is(x, kText, "sequence-decls") || is(x, kText, "variable-decls")
                   || is(x, kText, "user-field-decls") || is(x, kTable, "table-columns") || is(x, kTable, "table-column")
                   || is(x, kOffice, "forms") || is(x, kText, "bookmark-ref")) {
            m_skip = 1;
        }
    }

    void end(const QXmlStreamReader& x)
    {
        if (m_skip > 0) {
            --m_skip;
            return;
        }
        if (is(x, kText, "p") || is(x, kText, "h")) {
            endParagraph();
        } else if (is(x, kText, "span")) {
            if (!m_spans.isEmpty())
                m_spans.removeLast();
        } else if (is(x, kText, "note-citation")) {
            m_inCitation = false;
        } else if (is(x, kText, "note-body")) {
            --m_inNote;
            m_notesText.append({m_noteNumber, m_noteBuilder.take()});
            const Saved s = m_saved.takeLast();
            m_paragraphProps = s.props;
            m_paragraphStyle = s.style;
            m_spans = s.spans;
            m_inParagraph = s.inParagraph;
            m_space = s.space;
        }
    }

    void text(QStringView t)
    {
        if (m_inCitation) {
            // The number stands in the text and before the note at the end.
            m_noteNumber += t.toString();
            emitText(t.toString());
            return;
        }
        // White space collapses to one space, as OpenDocument reads it.
        QString collapsed;
        collapsed.reserve(t.size());
        for (QChar c : t) {
            if (c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r')) {
                if (m_space)
                    continue;
                m_space = true;
                collapsed += QLatin1Char(' ');
            } else {
                m_space = false;
                collapsed += c;
            }
        }
        emitText(collapsed);
    }

    styled::CharFormat formatOf(const TextProps& p)
    {
        styled::CharFormat f;
        f.font = p.greek ? QString::fromLatin1(styled::kDefaultFont) : p.font.value_or(QStringLiteral("Liberation Serif"));
        // Sizes of any magnitude (a percentage of a percentage ...) within
        // what word processors offer, before they become a whole number.
        double size = p.size.value_or(12);
        if (!std::isfinite(size))
            size = 12;
        size = std::clamp(size, 1.0, 1638.0);
        const double rounded = std::round(size);
        if (std::abs(size - rounded) > 0.01 && !m_halfCounted) {
            ++m_notes.halfPoints;
            m_halfCounted = true;
        }
        f.size = int(rounded);
        f.style = (p.bold.value_or(false) ? styled::Bold : 0) | (p.italic.value_or(false) ? styled::Italic : 0)
            | (p.underline.value_or(false) ? styled::Underline : 0) | (p.strike.value_or(false) ? styled::StrikeOut : 0);
        if (p.coloured.value_or(false) && !m_colourCounted) {
            ++m_notes.colours;
            m_colourCounted = true;
        }
        return f;
    }

    void emitText(const QString& t)
    {
        if (t.isEmpty() || m_inParagraph == 0)
            return;
        const TextProps& p = m_spans.isEmpty() ? m_paragraphProps : m_spans.last().props;
        m_halfCounted = m_colourCounted = false; // each run counted once
        // This program's own Greek goes back to the codes it was written from, signs and all.
        out().append(p.greek ? unicodegreek::importGreek(t).codes : t, formatOf(p));
    }

    // `counted`: false for the continuation after a line break, whose
    // paragraph's justification was counted already.
    void beginParagraph(const QString& style, bool counted = true)
    {
        ++m_inParagraph;
        if (m_inParagraph > 1)
            return; // a paragraph inside a paragraph (a text box's): one flow
        m_paragraphStyle = style;
        m_paragraphProps = m_sheet.resolved(QStringLiteral("paragraph"), style);
        m_spans.clear();
        m_space = true; // leading white space is dropped
        styled::DocumentBuilder& b = out();
        bool& first = m_inNote > 0 ? m_noteFirst : m_mainFirst;
        if (!first)
            b.breakParagraph();
        first = false;
        if (counted && m_paragraphProps.justified.value_or(false))
            ++m_notes.justified;
        b.setAlignment(m_paragraphProps.alignment.value_or(styled::AlignLeft));
    }

    void endParagraph()
    {
        if (m_inParagraph > 0)
            --m_inParagraph;
    }

    struct Saved {
        TextProps props;
        QString style;
        QList<Span> spans;
        int inParagraph;
        bool space;
    };

    const Sheet& m_sheet;
    ImportNotes& m_notes;
    styled::DocumentBuilder m_main, m_noteBuilder;
    bool m_mainFirst = true, m_noteFirst = true;
    QList<Note> m_notesText;
    QList<Saved> m_saved;
    TextProps m_paragraphProps;
    QString m_paragraphStyle;
    QList<Span> m_spans;
    QString m_noteNumber;
    int m_inParagraph = 0;
    int m_inNote = 0;
    int m_skip = 0;
    bool m_inCitation = false;
    bool m_space = true;
    bool m_halfCounted = false, m_colourCounted = false;
};

ReadResult fail(Status status, qint64 offset, const QString& part) { return guardedxml::refused<ReadResult>(status, offset, part); }

} // namespace

ReadResult read(const QByteArray& file)
{
    QByteArray styles, content;
    QString contentName = QStringLiteral("content.xml");
    if (file.startsWith("PK")) {
        const ziparchive::Reader zip(file);
        if (!zip.isZip())
            return fail(Status::NotOdt, 0, {});
        const ziparchive::Part manifest = zip.read(QStringLiteral("META-INF/manifest.xml"));
        if (manifest.status == ziparchive::Status::Ok && manifest.bytes.contains("encryption-data"))
            return fail(Status::Encrypted, 0, QStringLiteral("META-INF/manifest.xml"));
        const ziparchive::Part c = zip.read(contentName);
        if (c.status != ziparchive::Status::Ok)
            return fail(guardedxml::partStatus<Status>(c.status), 0, contentName);
        content = c.bytes;
        if (zip.contains(QStringLiteral("styles.xml"))) {
            const ziparchive::Part s = zip.read(QStringLiteral("styles.xml"));
            if (s.status != ziparchive::Status::Ok)
                return fail(guardedxml::partStatus<Status>(s.status), 0, QStringLiteral("styles.xml"));
            styles = s.bytes;
        }
    } else {
        // A flat document: one XML part holds styles and text.
        const QByteArray head = file.left(512).trimmed();
        if (!head.startsWith('<') && !head.startsWith("\xef\xbb\xbf<"))
            return fail(Status::NotOdt, 0, {});
        content = file;
        contentName.clear();
    }
    ReadResult r;
    Sheet sheet;
    if (!styles.isEmpty())
        if (const std::optional<Failure> f = readStyles(styles, sheet, r.notes))
            return fail(f->status, f->offset, QStringLiteral("styles.xml"));
    if (const std::optional<Failure> f = readStyles(content, sheet, r.notes))
        return fail(f->status, f->offset, contentName);
    Body body(sheet, r.notes);
    if (const std::optional<Failure> f = body.read(content))
        return fail(f->status, f->offset, contentName);
    r.document = body.take();
    r.document.normalize();
    return r;
}

} // namespace odt
