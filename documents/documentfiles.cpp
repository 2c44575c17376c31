#include "documentfiles.h"

#include "atomicfiles.h"
#include "ioerror.h"
#include "rtfreader.h"
#include "rtfwriter.h"
#include "unicodegreek.h"

#include <QFile>
#include <QStringDecoder>

#include <cerrno>

namespace docfiles {

namespace {

QString textPathOf(const QString& base) { return base + QStringLiteral("txt"); }
QString runsPathOf(const QString& base) { return base + QStringLiteral("sri"); }

// Unicode text as a paste brings it: Greek in the font "Greek", the rest in a Latin font.
Opened unicodeText(const QByteArray& bytes)
{
    QString text = QString::fromUtf8(bytes.startsWith("\xEF\xBB\xBF") ? bytes.sliced(3) : bytes);
    const styled::CharFormat latin{QStringLiteral("Arial"), styled::kDefaultSize, 0};
    const unicodegreek::ImportedDocument imported
        = unicodegreek::importDocument(styled::Document::fromPlainText(styled::paragraphBreaks(text), latin));
    Opened o;
    o.document = imported.document;
    o.storage = Storage::UnicodeText;
    o.unmapped = imported.unmapped;
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
        throw IoError(0, r.message + QStringLiteral(": ") + r.detail).atByte(r.offset).about(path);
    Opened o;
    o.document = r.document;
    return o;
}

Opened openPair(const QString& base, const pair::Progress& progress)
{
    const QString textPath = textPathOf(base);
    const QString runsPath = runsPathOf(base);
    finishInterruptedWrite({textPath, runsPath});
    if (!fileExists(textPath))
        throw IoError(IoError::FileNotFound).about(textPath);
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
    o.storage = Storage::Pair;
    if (r.status == pair::ReadResult::RunsDamaged)
        o.notice = r.message;
    return o;
}

void saveRtf(const styled::Document& document, const QString& path)
{
    try {
        // Written straight into the scratch file: a large document is not held twice.
        writeFileThrough(path, [&](const QString& scratch) {
            QFile out(scratch);
            errno = 0;
            if (!out.open(QIODevice::WriteOnly))
                throw IoError::fromErrno(errno ? errno : EACCES);
            if (!rtf::write(document, out) || !out.flush()) {
                const int err = errno;
                throw IoError::fromErrno(err ? err : EIO);
            }
        });
    } catch (const IoError& e) {
        throw IoError(e.code(), rtf::saveFailedMessage() + QStringLiteral(": ") + e.cause()).about(e.file());
    }
}

void savePair(const styled::Document& document, const QString& base, const pair::Progress& progress)
{
    const pair::Bytes bytes = pair::write(document, progress);
    writeFilesAtomically({{textPathOf(base), bytes.text}, {runsPathOf(base), bytes.runs}});
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

} // namespace docfiles
