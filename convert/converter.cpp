#include "converter.h"

#include "exporter.h"
#include "codepage.h"
#include "ioerror.h"
#include "unicodegreek.h"
#include "paircodec.h"
#include "rtfreader.h"
#include "rtfwriter.h"

#include <QFileInfo>

#include <cstdio>
#include <unistd.h>

namespace convert {

Format formatOf(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("rtf"))
        return Format::Rtf;
    if (suffix == QLatin1String("txt") || suffix == QLatin1String("sri"))
        return Format::Pair;
    if (suffix == QLatin1String("odt"))
        return Format::Odt;
    if (suffix == QLatin1String("html") || suffix == QLatin1String("htm"))
        return Format::Html;
    if (suffix == QLatin1String("pdf"))
        return Format::Pdf;
    return Format::Unknown;
}

QString usage()
{
    return QStringLiteral(
        "Aufruf: stilora-convert EINGABE AUSGABE\n"
        "        stilora-convert --unicode EINGABE AUSGABE.txt\n"
        "        stilora-convert --to FORMAT DATEI...\n"
        "\n"
        "Wandelt Stilora-Dokumente mit denselben Lese- und Schreibroutinen um, die Öffnen und\n"
        "Speichern im Editor benutzen. Das Format folgt aus der Endung des Namens:\n"
        "  .rtf         Rich Text Format (liest auch reinen Text)\n"
        "  .txt, .sri   das Dateipaar der Versionen 1.0 und 1.01: NAME.txt (Text) und NAME.sri\n"
        "               (Formate); gelesen wird NAME.sri, wenn es sie gibt, geschrieben werden beide\n"
        "  .odt .html .pdf   OpenDocument-Text, HTML, PDF: nur Ausgabe, Griechisch als Unicode\n"
        "               in der Schrift Gentium Plus\n"
        "  --unicode    die Ausgabe .txt als UTF-8-Text mit Griechisch in Unicode statt des Dateipaars\n"
        "  --to FORMAT  jede DATEI neben sich umwandeln (FORMAT: rtf, sri, odt, html, pdf, txt für\n"
        "               Unicode-Text); am Ende eine Übersicht der umgewandelten und der fehlgeschlagenen\n"
        "               Dateien und jedes Zeichens, das nicht übernommen werden konnte\n"
        "\n"
        "Eine Ausgabe wird ganz oder gar nicht geschrieben; vorhandene Dateien bleiben bei einem\n"
        "Fehler unverändert. Fehler stehen auf der Standardfehlerausgabe.\n"
        "Rückgabewert: 0 umgewandelt, 1 Fehler beim Lesen oder Schreiben (bei --to: eine Datei\n"
        "fehlgeschlagen), 2 falscher Aufruf.\n");
}

styled::Document readDocument(const QString& in, QStringList* warnings)
{
    switch (formatOf(in)) {
    case Format::Rtf: {
        const rtf::ReadResult r = rtf::read(readWholeFile(in));
        if (!r.ok())
            throw IoError(0, r.message);
        return r.document;
    }
    case Format::Pair: {
        const QString base = pair::basePathOf(in);
        const QString textPath = base + QStringLiteral("txt");
        const QString runsPath = base + QStringLiteral("sri");
        if (!QFileInfo(textPath).isFile())
            throw IoError(IoError::FileNotFound, IoError::messageFor(IoError::FileNotFound) + QStringLiteral(": ") + textPath);
        std::optional<QByteArray> runs;
        if (QFileInfo(runsPath).isFile()) {
            QByteArray bytes = readWholeFile(runsPath);
            if (!bytes.isEmpty())
                runs = std::move(bytes);
        }
        const pair::ReadResult r = pair::read(readWholeFile(textPath), runs);
        if (!r.loaded())
            throw IoError(IoError::ReadPastEnd);
        if (r.status == pair::ReadResult::RunsDamaged)
            *warnings << r.message;
        return r.document;
    }
    default: break; // the export formats are written, not read
    }
    throw IoError(0, QStringLiteral("Unbekanntes Format (erwartet .rtf, .txt oder .sri): %1").arg(in));
}

void writeDocument(const styled::Document& document, const QString& out, QStringList* warnings, Format format,
                   QList<Lost>* lost)
{
    if (format == Format::Unknown)
        format = formatOf(out);
    switch (format) {
    case Format::Rtf:
        try {
            writeFilesAtomically({{out, rtf::write(document)}});
        } catch (const IoError& e) {
            throw IoError(e.code(), rtf::saveFailedMessage() + QStringLiteral(": ") + e.message());
        }
        return;
    case Format::Odt: exporter::exportFile(document, out, exporter::Format::Odt); return;
    case Format::Html: exporter::exportFile(document, out, exporter::Format::Html); return;
    case Format::Pdf: exporter::exportFile(document, out, exporter::Format::Pdf); return;
    case Format::UnicodeText: exporter::exportFile(document, out, exporter::Format::Text); return;
    case Format::Pair: {
        // Greek that arrived as Unicode goes into the font's codes first.
        const styled::Document coded = unicodegreek::importDocument(document).document;
        if (coded.length() == 0)
            throw IoError(0, QStringLiteral("Der Text ist leer; das Dateipaar wird nicht geschrieben"));
        const pair::Losses l = pair::losses(coded);
        if (l.uncodedCharacters > 0) {
            *warnings << QStringLiteral("%1 Zeichen ohne 8-Bit-Code (das erste an Stelle %2) als „?“ gespeichert")
                             .arg(l.uncodedCharacters)
                             .arg(l.firstUncoded);
            if (lost) {
                int pos = 1;
                for (const styled::Paragraph& p : coded.paragraphs) {
                    for (const styled::Run& r : p.runs)
                        for (QChar ch : r.text) {
                            if (!codepage::toCode(ch))
                                *lost << Lost{out, pos, ch};
                            ++pos;
                        }
                    pos += 2;
                }
            }
        }
        if (l.oversizedRuns > 0)
            *warnings << QStringLiteral("%1 Abschnitt(e) größer als 255 Punkt (der erste an Stelle %2) mit den unteren 8 Bit der Größe gespeichert")
                             .arg(l.oversizedRuns)
                             .arg(l.firstOversized);
        const pair::Bytes bytes = pair::write(coded);
        const QString base = pair::basePathOf(out);
        writeFilesAtomically({{base + QStringLiteral("txt"), bytes.text}, {base + QStringLiteral("sri"), bytes.runs}});
        return;
    }
    case Format::Unknown: break;
    }
    throw IoError(0, QStringLiteral("Unbekanntes Format (erwartet .rtf, .txt, .sri, .odt, .html oder .pdf): %1").arg(out));
}

namespace {

// One file converted beside itself, as `--to` does it.
Format batchFormat(const QString& name, QString* extension)
{
    const QString n = name.toLower();
    *extension = n;
    if (n == QLatin1String("rtf"))
        return Format::Rtf;
    if (n == QLatin1String("sri"))
        return Format::Pair;
    if (n == QLatin1String("odt"))
        return Format::Odt;
    if (n == QLatin1String("html"))
        return Format::Html;
    if (n == QLatin1String("pdf"))
        return Format::Pdf;
    if (n == QLatin1String("txt"))
        return Format::UnicodeText;
    return Format::Unknown;
}

void progress(int done, int total)
{
    if (!isatty(2))
        return;
    constexpr int kWidth = 30;
    const int filled = total ? done * kWidth / total : kWidth;
    std::fprintf(stderr, "\r[%s%s] %d/%d", QByteArray(filled, '#').constData(), QByteArray(kWidth - filled, ' ').constData(), done,
                 total);
    if (done == total)
        std::fputc('\n', stderr);
    std::fflush(stderr);
}

Outcome runBatch(const QString& to, const QStringList& files)
{
    Outcome o;
    QString extension;
    const Format format = batchFormat(to, &extension);
    if (format == Format::Unknown || files.isEmpty()) {
        o.exitCode = 2;
        o.errors << QStringLiteral("Aufruf: stilora-convert --to rtf|sri|odt|html|pdf|txt DATEI... (mehr mit --help)");
        return o;
    }
    int failed = 0;
    for (int i = 0; i < files.size(); ++i) {
        progress(i, int(files.size()));
        const QString& in = files[i];
        const QFileInfo info(in);
        const QString out = info.path() + QLatin1Char('/') + info.completeBaseName() + QLatin1Char('.') + extension;
        try {
            QStringList warnings;
            writeDocument(readDocument(in, &warnings), out, &warnings, format, &o.lost);
            for (const QString& w : warnings)
                o.warnings << in + QStringLiteral(": ") + w;
            ++o.converted;
        } catch (const IoError& e) {
            ++failed;
            o.errors << in + QStringLiteral(": ") + e.message();
        }
    }
    progress(int(files.size()), int(files.size()));
    o.warnings << QStringLiteral("%1 Datei(en) umgewandelt, %2 fehlgeschlagen").arg(o.converted).arg(failed);
    for (const Lost& l : o.lost)
        o.warnings << QStringLiteral("nicht übernommen: %1, Stelle %2: %3 (U+%4)")
                          .arg(l.file)
                          .arg(l.position)
                          .arg(l.character)
                          .arg(l.character.unicode(), 4, 16, QLatin1Char('0'));
    o.exitCode = failed > 0 ? 1 : 0;
    return o;
}

} // namespace

Outcome run(const QStringList& arguments)
{
    Outcome o;
    if (arguments.contains(QStringLiteral("--help")) || arguments.contains(QStringLiteral("-h")))
        return o;
    if (arguments.value(0) == QLatin1String("--to"))
        return runBatch(arguments.value(1), arguments.mid(2));
    if (arguments.value(0) == QLatin1String("--unicode") && arguments.size() == 3) {
        try {
            writeDocument(readDocument(arguments[1], &o.warnings), arguments[2], &o.warnings, Format::UnicodeText);
        } catch (const IoError& e) {
            o.exitCode = 1;
            o.errors << e.message();
        }
        return o;
    }
    if (arguments.size() != 2) {
        o.exitCode = 2;
        o.errors << QStringLiteral("Aufruf: stilora-convert EINGABE AUSGABE (mehr mit --help)");
        return o;
    }
    for (const QString& name : arguments) {
        if (formatOf(name) == Format::Unknown) {
            o.exitCode = 2;
            o.errors << QStringLiteral("Unbekanntes Format (erwartet .rtf, .txt, .sri, .odt, .html oder .pdf): %1").arg(name);
            return o;
        }
    }
    try {
        writeDocument(readDocument(arguments[0], &o.warnings), arguments[1], &o.warnings);
    } catch (const IoError& e) {
        o.exitCode = 1;
        o.errors << e.message();
    }
    return o;
}

} // namespace convert
