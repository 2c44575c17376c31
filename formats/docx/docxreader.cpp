#include "docxreader.h"

#include "codepage.h"
#include "guardedxml.h"
#include "unicodegreek.h"
#include "ziparchive.h"

#include <QHash>
#include <QXmlStreamReader>

#include <cmath>
#include <map>
#include <optional>

namespace docx {

bool isSuccess(Status status) { return status == Status::Ok; }

QString describe(Status status, qint64)
{
    switch (status) {
    case Status::NotDocx: return QStringLiteral("kein Word-Dokument (.docx)");
    case Status::Word97:
        return QStringLiteral("Word-97-Dokumente (.doc) kann Stilora nicht lesen; bitte als .docx oder .rtf speichern");
    default: return guardedxml::message(status);
    }
}

namespace {

const QString kW = QStringLiteral("http://schemas.openxmlformats.org/wordprocessingml/2006/main");
const QString kMc = QStringLiteral("http://schemas.openxmlformats.org/markup-compatibility/2006");
const QString kA = QStringLiteral("http://schemas.openxmlformats.org/drawingml/2006/main");

using Failure = guardedxml::Failure<Status>;
using Xml = guardedxml::Reader<Status>;

// What a style or a run's own properties say; unset: as beneath.
struct Props {
    std::optional<QString> font;
    std::optional<QString> themeFont; // "minor" or "major"
    std::optional<int> halfPoints;
    std::optional<bool> bold, italic, underline, strike, coloured;
    std::optional<int> alignment;
    std::optional<bool> justified;

    void overlay(const Props& top)
    {
        if (top.font)
            font = top.font, themeFont.reset();
        if (top.themeFont)
            themeFont = top.themeFont, font.reset();
        if (top.halfPoints)
            halfPoints = top.halfPoints;
        if (top.bold)
            bold = top.bold;
        if (top.italic)
            italic = top.italic;
        if (top.underline)
            underline = top.underline;
        if (top.strike)
            strike = top.strike;
        if (top.coloured)
            coloured = top.coloured;
        if (top.alignment)
            alignment = top.alignment;
        if (top.justified)
            justified = top.justified;
    }
};

QString wAttr(const QXmlStreamReader& x, const char* name) { return x.attributes().value(kW, QLatin1String(name)).toString(); }

// w:b, w:i ...: on unless their value says off.
bool toggle(const QXmlStreamReader& x)
{
    const QString v = wAttr(x, "val");
    return !(v == QLatin1String("0") || v == QLatin1String("false") || v == QLatin1String("off") || v == QLatin1String("none"));
}

// One property element inside w:rPr or w:pPr.
void property(const QXmlStreamReader& x, Props& p)
{
    if (x.namespaceUri() != kW)
        return;
    const QStringView n = x.name();
    if (n == u"rFonts") {
        QString f = wAttr(x, "ascii");
        if (f.isEmpty())
            f = wAttr(x, "hAnsi");
        if (!f.isEmpty()) {
            p.font = f;
            p.themeFont.reset();
        } else {
            const QString theme = wAttr(x, "asciiTheme").isEmpty() ? wAttr(x, "hAnsiTheme") : wAttr(x, "asciiTheme");
            if (!theme.isEmpty())
                p.themeFont = theme.startsWith(QLatin1String("major")) ? QStringLiteral("major") : QStringLiteral("minor"), p.font.reset();
        }
    } else if (n == u"sz") {
        bool ok = false;
        const int v = wAttr(x, "val").toInt(&ok);
        if (ok && v > 0)
            p.halfPoints = v;
    } else if (n == u"b") {
        p.bold = toggle(x);
    } else if (n == u"i") {
        p.italic = toggle(x);
    } else if (n == u"strike" || n == u"dstrike") {
        p.strike = toggle(x);
    } else if (n == u"u") {
        p.underline = toggle(x);
    } else if (n == u"color") {
        const QString v = wAttr(x, "val");
        p.coloured = !(v.isEmpty() || v == QLatin1String("auto") || v == QLatin1String("000000"));
    } else if (n == u"jc") {
        const QString v = wAttr(x, "val");
        p.justified = v == QLatin1String("both") || v == QLatin1String("distribute");
        if (v == QLatin1String("center"))
            p.alignment = styled::AlignCentre;
        else if (v == QLatin1String("right") || v == QLatin1String("end"))
            p.alignment = styled::AlignRight;
        else
            p.alignment = styled::AlignLeft;
    }
}

struct StyleDef {
    QString basedOn;
    Props props;
};

// The styles part: the defaults, and each style with what it is based on.
struct Sheet {
    Props defaults;
    QString defaultParagraph;
    QHash<QString, StyleDef> styles;
    QString minorFont = QStringLiteral("Calibri"), majorFont = QStringLiteral("Calibri Light");

    // Whether a style is, or is based on, this program's Greek style.
    bool greek(const QString& id) const
    {
        QString at = id;
        for (int guard = 0; !at.isEmpty() && guard < 64; ++guard) {
            if (at == QLatin1String("StiloraGreek"))
                return true;
            const auto it = styles.constFind(at);
            if (it == styles.cend())
                return false;
            at = it->basedOn;
        }
        return false;
    }

    Props chain(const QString& id) const
    {
        QList<const Props*> found;
        QString at = id;
        for (int guard = 0; !at.isEmpty() && guard < 64; ++guard) {
            const auto it = styles.constFind(at);
            if (it == styles.cend())
                break;
            found << &it->props;
            at = it->basedOn;
        }
        Props out;
        for (auto it = found.crbegin(); it != found.crend(); ++it)
            out.overlay(**it);
        return out;
    }
};

std::optional<Failure> readStyles(const QByteArray& bytes, Sheet& sheet)
{
    Xml xml(bytes);
    QXmlStreamReader& x = xml.x;
    Props* current = nullptr;
    StyleDef* currentStyle = nullptr; // the style element being read
    bool inRun = false, inParagraph = false;
    while (xml.next()) {
        if (x.isStartElement() && x.namespaceUri() == kW) {
            const QStringView n = x.name();
            if (n == u"rPrDefault" || n == u"pPrDefault") {
                current = &sheet.defaults;
                currentStyle = nullptr;
            } else if (n == u"style") {
                const QString type = wAttr(x, "type");
                if (type == QLatin1String("paragraph") || type == QLatin1String("character")) {
                    const QString id = wAttr(x, "styleId");
                    currentStyle = &sheet.styles[id];
                    current = &currentStyle->props;
                    if (type == QLatin1String("paragraph") && wAttr(x, "default") == QLatin1String("1"))
                        sheet.defaultParagraph = id;
                } else {
                    current = nullptr;
                    currentStyle = nullptr;
                }
            } else if (n == u"basedOn" && currentStyle) {
                currentStyle->basedOn = wAttr(x, "val");
            } else if (n == u"rPr") {
                inRun = true;
            } else if (n == u"pPr") {
                inParagraph = true;
            } else if (current && (inRun || inParagraph)) {
                property(x, *current);
            }
        } else if (x.isEndElement() && x.namespaceUri() == kW) {
            const QStringView n = x.name();
            if (n == u"rPr")
                inRun = false;
            else if (n == u"pPr")
                inParagraph = false;
            else if (n == u"style" || n == u"rPrDefault" || n == u"pPrDefault")
                current = nullptr, currentStyle = nullptr;
        }
    }
    return xml.failure();
}

// The theme's two Latin fonts, for runs that name them by their role.
void readTheme(const QByteArray& bytes, Sheet& sheet)
{
    Xml xml(bytes);
    QXmlStreamReader& x = xml.x;
    QString role;
    while (xml.next()) {
        if (!x.isStartElement() || x.namespaceUri() != kA)
            continue;
        if (x.name() == u"majorFont" || x.name() == u"minorFont")
            role = x.name().toString();
        else if (x.name() == u"latin" && !role.isEmpty()) {
            const QString face = x.attributes().value(QLatin1String("typeface")).toString();
            if (!face.isEmpty())
                (role == QLatin1String("majorFont") ? sheet.majorFont : sheet.minorFont) = face;
            role.clear();
        }
    }
}

// The flow of paragraphs of a part: the body, or each note of the notes' part.
class Flow {
public:
    Flow(const Sheet& sheet, ImportNotes& notes)
        : m_sheet(sheet)
        , m_notes(notes)
    {
    }

    // Reads a part. In a notes part each note goes to `notesById`; in the
    // body the references get their numbers in `numbers`.
    std::optional<Failure> read(const QByteArray& bytes, bool notesPart)
    {
        Xml xml(bytes);
        QXmlStreamReader& x = xml.x;
        while (xml.next()) {
            if (x.isStartElement())
                start(x, notesPart);
            else if (x.isEndElement())
                end(x, notesPart);
            else if (x.isCharacters() && m_skip == 0 && m_inText && m_inParagraph > 0)
                emitText(x.text().toString());
        }
        return xml.failure();
    }

    styled::Document take() { return m_builder.take(); }

    std::map<QString, styled::Document> notesById;
    QList<std::pair<QString, QString>> references; // (note id, its number), in order
    int headerFooterReferences = 0;

private:
    bool w(const QXmlStreamReader& x, const char16_t* name) const { return x.namespaceUri() == kW && x.name() == name; }

    void start(const QXmlStreamReader& x, bool notesPart)
    {
        if (m_skip > 0) {
            ++m_skip;
            return;
        }
        if (x.namespaceUri() == kMc) {
            // Of the alternatives, the first choice is read; the fallback repeats it.
            if (x.name() == u"Fallback")
                m_skip = 1;
            return;
        }
        if (notesPart && (w(x, u"footnote") || w(x, u"endnote"))) {
            const QString type = wAttr(x, "type");
            if (!type.isEmpty() && type != QLatin1String("normal")) {
                m_skip = 1; // the separator lines
                return;
            }
            m_noteId = QString::fromLatin1(w(x, u"endnote") ? "e" : "f") + wAttr(x, "id");
            m_builder = styled::DocumentBuilder();
            m_first = true;
            return;
        }
        if (w(x, u"p")) {
            beginParagraph();
        } else if (w(x, u"pPr")) {
            ++m_pPrDepth;
            m_inParagraphProps = m_inParagraph == 1;
        } else if (w(x, u"rPr")) {
            m_inRunProps = true;
        } else if (w(x, u"pStyle") && m_inParagraphProps) {
            m_paragraph = paragraphProps(wAttr(x, "val"));
        } else if (w(x, u"rStyle") && m_inRunProps) {
            const QString style = wAttr(x, "val");
            m_runStyle.overlay(m_sheet.chain(style));
            // This program's Greek: the font's codes, written as Unicode.
            if (m_sheet.greek(style))
                m_runGreek = true;
        } else if (m_inRunProps && !m_inParagraphProps) {
            property(x, m_runOwn);
        } else if (m_inParagraphProps && !m_inRunProps) {
            property(x, m_paragraph);
        } else if (w(x, u"r")) {
            m_runStyle = Props();
            m_runOwn = Props();
            m_runGreek = false;
        } else if (w(x, u"t")) {
            m_inText = true;
        } else if (w(x, u"tab") && m_inParagraph > 0 && m_pPrDepth == 0) {
            emitText(QStringLiteral("\t"));
        } else if (w(x, u"noBreakHyphen")) {
            emitText(QStringLiteral("-"));
        } else if (w(x, u"sym")) {
            symbol(x);
        } else if ((w(x, u"br") && wAttr(x, "type").isEmpty()) || w(x, u"cr")) {
            if (m_inParagraph > 0) {
                ++m_notes.lineBreaks;
                m_inParagraph = 0;
                beginParagraph(false);
            }
        } else if (w(x, u"footnoteReference") || w(x, u"endnoteReference")) {
            const bool foot = w(x, u"footnoteReference");
            const QString id = QString::fromLatin1(foot ? "f" : "e") + wAttr(x, "id");
            const QString number = QString::number(foot ? ++m_footnotes : ++m_endnotes);
            references.append({id, number});
            emitText(number);
        } else if (w(x, u"delText") || w(x, u"instrText")) {
            m_skip = 1; // deleted text, a field's code
        } else if (w(x, u"del") || w(x, u"ins") || w(x, u"moveFrom") || w(x, u"moveTo")) {
            ++m_notes.trackedChanges;
            if (w(x, u"del") || w(x, u"moveFrom"))
                m_skip = 1;
        } else if (w(x, u"fldChar") && wAttr(x, "fldCharType") == QLatin1String("begin")) {
            ++m_notes.fieldCodes;
        } else if (w(x, u"fldSimple")) {
            ++m_notes.fieldCodes;
        } else if (w(x, u"commentReference")) {
            ++m_notes.comments;
        } else if (w(x, u"object")) {
            ++m_notes.objects;
            m_skip = 1;
        } else if (w(x, u"drawing") || w(x, u"pict")) {
            m_drawing.append(false);
        } else if (w(x, u"txbxContent")) {
            if (!m_drawing.isEmpty())
                m_drawing.last() = true; // a text box: its text is kept
        } else if (w(x, u"headerReference") || w(x, u"footerReference")) {
            ++headerFooterReferences;
        }
    }

    void end(const QXmlStreamReader& x, bool notesPart)
    {
        if (m_skip > 0) {
            --m_skip;
            return;
        }
        if (notesPart && (w(x, u"footnote") || w(x, u"endnote"))) {
            notesById[m_noteId] = m_builder.take();
            return;
        }
        if (w(x, u"p")) {
            if (m_inParagraph == 1)
                settleParagraph(); // an empty paragraph has its alignment too
            if (m_inParagraph > 0)
                --m_inParagraph;
        } else if (w(x, u"pPr")) {
            --m_pPrDepth;
            m_inParagraphProps = false;
        } else if (w(x, u"rPr")) {
            m_inRunProps = false;
        } else if (w(x, u"t")) {
            m_inText = false;
        } else if (w(x, u"drawing") || w(x, u"pict")) {
            if (!m_drawing.isEmpty() && !m_drawing.takeLast())
                ++m_notes.pictures;
        }
    }

    Props paragraphProps(const QString& style) const
    {
        Props p = m_sheet.defaults;
        p.overlay(m_sheet.chain(style.isEmpty() ? m_sheet.defaultParagraph : style));
        return p;
    }

    void beginParagraph(bool fresh = true)
    {
        ++m_inParagraph;
        if (m_inParagraph > 1)
            return; // a text box's paragraph inside a paragraph: one flow
        if (fresh)
            m_paragraph = paragraphProps(QString());
        if (!m_first)
            m_builder.breakParagraph();
        m_first = false;
        m_alignmentSet = false;
        m_continued = !fresh;
    }

    // The alignment is known once the paragraph's properties are read: set
    // before its first text, or at its end for an empty paragraph.
    void settleParagraph()
    {
        if (m_alignmentSet)
            return;
        m_alignmentSet = true;
        if (!m_continued && m_paragraph.justified.value_or(false))
            ++m_notes.justified;
        m_builder.setAlignment(m_paragraph.alignment.value_or(styled::AlignLeft));
    }

    styled::CharFormat format()
    {
        Props p = m_paragraph;
        p.overlay(m_runStyle);
        p.overlay(m_runOwn);
        styled::CharFormat f;
        f.font = m_runGreek ? QString::fromLatin1(styled::kDefaultFont)
            : p.font        ? *p.font
            : p.themeFont == QLatin1String("major") ? m_sheet.majorFont
            : p.themeFont   ? m_sheet.minorFont
                            : QStringLiteral("Times New Roman");
        const int half = std::clamp(p.halfPoints.value_or(20), 2, 3276); // within what word processors offer
        if (half % 2 != 0 && !m_halfCounted) {
            ++m_notes.halfPoints;
            m_halfCounted = true;
        }
        f.size = (half + 1) / 2;
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
        settleParagraph();
        m_halfCounted = m_colourCounted = false;
        // This program's own Greek goes back to the codes it was written from, signs and all.
        m_builder.append(m_runGreek ? unicodegreek::importGreek(t).codes : t, format());
    }

    // A symbol: in the font "Greek" (or any symbol font's private range) its code.
    void symbol(const QXmlStreamReader& x)
    {
        bool ok = false;
        uint code = wAttr(x, "char").toUInt(&ok, 16);
        if (!ok)
            return;
        if (code >= 0xF000 && code <= 0xF0FF)
            code -= 0xF000;
        const QString font = wAttr(x, "font");
        const Props saved = m_runOwn;
        if (!font.isEmpty())
            m_runOwn.font = font;
        emitText(code < 0x100 ? QString(codepage::toChar(uchar(code))) : QString(QChar(char16_t(code))));
        m_runOwn = saved;
    }

    const Sheet& m_sheet;
    ImportNotes& m_notes;
    styled::DocumentBuilder m_builder;
    bool m_first = true;
    Props m_paragraph, m_runStyle, m_runOwn;
    QList<bool> m_drawing; // for each open drawing: whether it holds a text box
    QString m_noteId;
    int m_inParagraph = 0;
    int m_skip = 0;
    int m_footnotes = 0, m_endnotes = 0;
    bool m_inText = false, m_inParagraphProps = false, m_inRunProps = false;
    bool m_alignmentSet = false, m_continued = false;
    int m_pPrDepth = 0;
    bool m_halfCounted = false, m_colourCounted = false;
    bool m_runGreek = false; // the run has this program's Greek style
};

ReadResult fail(Status status, qint64 offset, const QString& part) { return guardedxml::refused<ReadResult>(status, offset, part); }

// The main part's name, as the package's relationships give it.
QString mainPart(const ziparchive::Reader& zip)
{
    const ziparchive::Part rels = zip.read(QStringLiteral("_rels/.rels"));
    if (rels.status == ziparchive::Status::Ok) {
        QXmlStreamReader x(rels.bytes);
        while (!x.atEnd() && x.readNext() != QXmlStreamReader::DTD) {
            if (x.isStartElement() && x.name() == u"Relationship"
                && x.attributes().value(QLatin1String("Type")).endsWith(u"/officeDocument")) {
                QString target = x.attributes().value(QLatin1String("Target")).toString();
                while (target.startsWith(QLatin1Char('/')))
                    target.remove(0, 1);
                if (!target.isEmpty() && !target.contains(QLatin1String("..")))
                    return target;
            }
        }
    }
    return QStringLiteral("word/document.xml");
}

} // namespace

ReadResult read(const QByteArray& file)
{
    if (file.startsWith("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1")) {
        // A compound file: Word 97's own, or an encrypted Office document,
        // whose package stands in a stream named EncryptedPackage.
        const QByteArray name = QByteArray("E\0n\0c\0r\0y\0p\0t\0e\0d\0P\0a\0c\0k\0a\0g\0e\0", 32);
        return fail(file.contains(name) ? Status::Encrypted : Status::Word97, 0, {});
    }
    if (!file.startsWith("PK"))
        return fail(Status::NotDocx, 0, {});
    const ziparchive::Reader zip(file);
    if (!zip.isZip())
        return fail(Status::NotDocx, 0, {});
    const QString main = mainPart(zip);
    const ziparchive::Part body = zip.read(main);
    if (body.status != ziparchive::Status::Ok)
        return fail(guardedxml::partStatus<Status>(body.status), 0, main);
    const QString folder = main.left(main.lastIndexOf(QLatin1Char('/')) + 1);
    auto optional = [&](const QString& name, QByteArray* bytes) -> std::optional<ReadResult> {
        if (!zip.contains(folder + name))
            return std::nullopt;
        const ziparchive::Part p = zip.read(folder + name);
        if (p.status != ziparchive::Status::Ok)
            return fail(guardedxml::partStatus<Status>(p.status), 0, folder + name);
        *bytes = p.bytes;
        return std::nullopt;
    };
    QByteArray styles, theme, footnotes, endnotes;
    for (const auto& [name, bytes] : {std::pair{QStringLiteral("styles.xml"), &styles}, std::pair{QStringLiteral("theme/theme1.xml"), &theme},
                                      std::pair{QStringLiteral("footnotes.xml"), &footnotes},
                                      std::pair{QStringLiteral("endnotes.xml"), &endnotes}})
        if (std::optional<ReadResult> f = optional(name, bytes))
            return *f;
    Sheet sheet;
    if (!theme.isEmpty())
        readTheme(theme, sheet);
    if (!styles.isEmpty())
        if (const std::optional<Failure> f = readStyles(styles, sheet))
            return fail(f->status, f->offset, folder + QStringLiteral("styles.xml"));
    ReadResult r;
    Flow flow(sheet, r.notes);
    if (const std::optional<Failure> f = flow.read(body.bytes, false))
        return fail(f->status, f->offset, main);
    r.notes.headersFooters += flow.headerFooterReferences;
    // The notes, read only as far as the text refers to them.
    Flow notes(sheet, r.notes);
    for (const auto& [bytes, name] : {std::pair{&footnotes, QStringLiteral("footnotes.xml")}, std::pair{&endnotes, QStringLiteral("endnotes.xml")}})
        if (!bytes->isEmpty())
            if (const std::optional<Failure> f = notes.read(*bytes, true))
                return fail(f->status, f->offset, folder + name);
    styled::Document document = flow.take();
    // The notes in the order the text refers to them, each with its number.
    QList<styled::Document> texts;
    QStringList numbers;
    for (const auto& [id, number] : flow.references) {
        const auto it = notes.notesById.find(id);
        texts.append(it == notes.notesById.end() ? styled::Document() : it->second);
        numbers.append(number);
    }
    r.notes.notes += int(texts.size());
    appendNotesAtEnd(document, texts, numbers);
    r.document = std::move(document);
    r.document.normalize();
    return r;
}

} // namespace docx
