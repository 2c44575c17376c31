#include "documentfiles.h"

#include "docxreader.h"
#include "odtreader.h"

#include "atomicfiles.h"
#include "betacode.h"
#include "exportwriters.h"
#include "ioerror.h"
#include "rtfreader.h"
#include "rtfwriter.h"
#include "unicodegreek.h"

#include <QFileInfo>
#include <QStringDecoder>

#include <cerrno>

namespace docfiles {

using Format = DocumentKind::Format;

namespace {

QString textPathOf(const QString& base) { return base + QStringLiteral("txt"); }
QString runsPathOf(const QString& base) { return base + QStringLiteral("sri"); }

// Unicode text as a paste brings it: Greek in the font "Greek", the rest in a Latin font.
Opened unicodeText(const QByteArray& bytes)
{
    const styled::CharFormat latin{QStringLiteral("Arial"), styled::kDefaultSize, 0};
    // The text as one string lives only until it is paragraphs; they are converted in place.
    styled::Document plain = styled::Document::fromPlainText(
        styled::paragraphBreaks(QString::fromUtf8(bytes.startsWith("\xEF\xBB\xBF") ? bytes.sliced(3) : bytes)), latin);
    unicodegreek::ImportedDocument imported = unicodegreek::importDocument(std::move(plain));
    Opened o;
    o.document = std::move(imported.document);
    o.kind = DocumentKind::Format::UnicodeText;
    return o;
}

// A text file that is another program's Unicode text, not 8-bit codes.
bool isUnicodeText(const QByteArray& bytes)
{
    if (!std::any_of(bytes.cbegin(), bytes.cend(), [](char c) { return uchar(c) >= 0x80; }))
        return false; // plain ASCII reads the same either way
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString decoded = utf8.decode(bytes); // decoded only when converted
    Q_UNUSED(decoded);
    return !utf8.hasError();
}

} // namespace

Opened openRtf(const QString& path)
{
    finishInterruptedWrite({path});
    const rtf::ReadResult r = rtf::read(readWholeFile(path));
    if (!r.ok())
        throw IoError(IoError::Cause::NotLoaded, r.message()).atByte(r.offset).about(path);
    Opened o;
    o.document = r.document;
    QStringList notice;
    if (r.nulCharacters > 0)
        notice << QStringLiteral("Die Datei enthält %1 NUL-Zeichen; sie wurden ausgelassen.").arg(r.nulCharacters);
    if (r.notes.any())
        notice << r.notes.summary() + QLatin1Char('.');
    o.notice = notice.join(QLatin1Char(' '));
    o.notes = r.notes;
    return o;
}

namespace {

// Another program's document as its reader left it: refused with the reader's
// reason and the part, or its Greek mapped to the codes and its losses told.
template <class Result>
Opened otherProgramsDocument(const Result& r, DocumentKind::Format format, const QString& path)
{
    if (!r.ok()) {
        const QString detail = r.part.isEmpty() ? r.message() : QStringLiteral("%1, Teil %2").arg(r.message(), r.part);
        IoError e(IoError::Cause::NotLoaded, detail);
        if (r.offset > 0)
            e.atByte(r.offset);
        throw e.about(path);
    }
    Opened o;
    o.document = unicodegreek::importDocument(r.document).document;
    o.kind = format;
    o.notice = r.notes.summary();
    o.notes = r.notes;
    return o;
}

} // namespace

Opened openOdt(const QString& path) { return otherProgramsDocument(odt::read(readWholeFile(path)), DocumentKind::Format::Odt, path); }

Opened openDocx(const QString& path) { return otherProgramsDocument(docx::read(readWholeFile(path)), DocumentKind::Format::Docx, path); }

Opened openBetaCode(const QString& path)
{
    const QByteArray bytes = readWholeFile(path);
    // Beta Code is ASCII; a file with other characters is taken as UTF-8, or else as Latin-1.
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(bytes.startsWith("\xEF\xBB\xBF") ? bytes.sliced(3) : bytes);
    if (utf8.hasError())
        text = QString::fromLatin1(bytes);
    const betacode::DecodedDocument decoded = betacode::toDocument(
        text, {QString::fromLatin1(styled::kDefaultFont), styled::kDefaultSize, 0},
        {QStringLiteral("Arial"), styled::kDefaultSize, 0});
    Opened o;
    o.document = decoded.document;
    o.kind = DocumentKind::Format::BetaCode;
    o.notes = decoded.notes();
    if (o.notes.any())
        o.notice = o.notes.summary() + QLatin1Char('.');
    return o;
}

Opened openPair(const QString& base, const pair::Progress& progress)
{
    const QString textPath = textPathOf(base);
    const QString runsPath = runsPathOf(base);
    finishInterruptedWrite({textPath, runsPath});
    // Both files as one program saved them: another's save of the pair waits.
    const ReadTogether together({textPath, runsPath});
    if (!fileExists(textPath))
        throw IoError(IoError::Cause::FileNotFound).about(textPath);
    const QByteArray text = readWholeFile(textPath); // a directory says so
    std::optional<QByteArray> runs;
    if (fileExists(runsPath) && !isDirectory(runsPath)) {
        QByteArray bytes = readWholeFile(runsPath);
        if (!bytes.isEmpty()) // an empty attribute file reads like a missing one
            runs = std::move(bytes);
    }
    if (!runs && isUnicodeText(text))
        return unicodeText(text);
    const pair::ReadResult r = pair::read(text, runs, progress);
    Opened o;
    o.document = r.document;
    o.kind = DocumentKind::Format::Pair;
    o.notice = r.message();
    return o;
}

void saveRtf(const styled::Document& document, const QString& path)
{
    try {
        // Written straight into the scratch file: a large document is not held twice.
        writeFileThrough(path, [&](const QString& scratch) {
            CheckedFile out(scratch);
            if (out.open(QIODevice::WriteOnly))
                rtf::write(document, out);
            out.finish();
        });
    } catch (const IoError& e) {
        if (e.isRefusal())
            throw; // nothing was written: the refusal as it stands
        throw IoError(e).during(IoError::Step::SavingStream);
    }
}

void savePair(const styled::Document& document, const QString& base, const pair::Progress& progress)
{
    const pair::Bytes bytes = pair::write(document, progress);
    writeFilesAtomically({{textPathOf(base), bytes.text}, {runsPathOf(base), bytes.runs}});
}

std::optional<QString> pairOfText(const QString& path)
{
    if (QFileInfo(path).suffix().toLower() != QLatin1String("txt"))
        return std::nullopt;
    const QString runs = runsPathOf(pair::basePathOf(path));
    if (!fileExists(runs) || isDirectory(runs))
        return std::nullopt;
    return runs;
}

QStringList lossDescriptions(const pair::Losses& l)
{
    QStringList what;
    if (l.uncodedCharacters > 0)
        what << QStringLiteral("%1 Zeichen ohne 8-Bit-Code (das erste an Stelle %2) werden als „?“ gespeichert")
                    .arg(l.uncodedCharacters)
                    .arg(l.firstUncoded);
    if (l.oversizedRuns > 0)
        what << QStringLiteral("%1 Abschnitt(e) größer als 255 Punkt (der erste an Stelle %2) verlieren ihre Größe")
                    .arg(l.oversizedRuns)
                    .arg(l.firstOversized);
    return what;
}

Opened open(const QString& path, Format format)
{
    switch (format == Format::Unknown ? DocumentKind::readFormatOf(path) : format) {
    case Format::BetaCode: return openBetaCode(path);
    case Format::Rtf: return openRtf(path);
    case Format::Pair: return openPair(pair::basePathOf(path));
    case Format::Odt: return openOdt(path);
    case Format::Docx: return openDocx(path);
    default: break;
    }
    throw IoError(IoError::Cause::UnknownFormat, QStringLiteral(".rtf, .txt, .sri, .docx, .odt, .fodt oder .beta")).about(path);
}

QStringList ForPair::warnings() const
{
    QStringList out;
    if (approximated > 0)
        out << QStringLiteral("%1 Zeichen ohne eigenen Code durch den ähnlichsten ersetzt (das erste an Stelle %2: %3 U+%4)")
                   .arg(approximated)
                   .arg(firstApproximated)
                   .arg(firstApproximatedCharacter)
                   .arg(firstApproximatedCharacter.unicode(), 4, 16, QLatin1Char('0'));
    return out + lossDescriptions(losses);
}

ForPair forPair(const styled::Document& document)
{
    const unicodegreek::ImportedDocument imported = unicodegreek::importDocument(document);
    ForPair p;
    p.coded = imported.document;
    p.losses = pair::losses(p.coded);
    p.approximated = imported.approximated;
    p.firstApproximated = imported.firstApproximated;
    p.firstApproximatedCharacter = imported.firstApproximatedCharacter;
    return p;
}

QStringList exportFile(const styled::Document& document, const QString& path, Format format, const PdfWriter& pdf)
{
    QStringList warnings;
    const QString title = QFileInfo(path).completeBaseName();
    // Each format is written straight into the scratch file beside the
    // target, which then replaces it whole: nothing is held twice, nothing
    // is left in /tmp.
    writeFileThrough(path, [&](const QString& scratch) {
        if (format == Format::Pdf) {
            if (!pdf)
                throw IoError(IoError::Cause::PdfNotMade);
            pdf(document, scratch, title);
            return;
        }
        CheckedFile out(scratch);
        if (!out.open(QIODevice::WriteOnly))
            out.finish();
        exportwriters::Options options;
        options.title = title;
        try {
            switch (format) {
            case Format::Odt: exportwriters::writeOdt(document, out, options); break;
            case Format::Docx: exportwriters::writeDocx(document, out, options); break;
            case Format::Html: exportwriters::writeHtml(document, out, options); break;
            case Format::UnicodeText: exportwriters::writeText(document, out); break;
            case Format::BetaCode: {
                const betacode::Encoded beta = betacode::fromDocument(document);
                const QByteArray bytes = beta.text.toUtf8();
                if (out.write(bytes) != bytes.size())
                    out.finish();
                if (beta.unwritable > 0)
                    warnings << QStringLiteral("%1 Zeichen ohne Form in Beta Code (ein $ in lateinischem Text, ein Zeichen "
                                               "unter dem Buchstaben …) fehlen in der Datei.")
                                    .arg(beta.unwritable);
                break;
            }
            default: throw IoError(IoError::Cause::UnknownFormat, QStringLiteral(".odt, .txt, .html, .pdf oder .beta"));
            }
        } catch (const IoError&) {
            out.finish(); // a failed write is told by its own cause ("Zu wenig Speicherplatz" on a full disk)
            throw;
        }
        out.finish();
    });
    return warnings;
}

} // namespace docfiles
