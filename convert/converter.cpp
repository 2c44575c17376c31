#include "converter.h"

#include "ioerror.h"
#include "paircodec.h"
#include "rtfreader.h"
#include "rtfwriter.h"

#include <QFileInfo>

namespace convert {

namespace {

QString baseOf(const QString& path) { return path.left(std::max<qsizetype>(0, path.size() - 3)); }

} // namespace

Format formatOf(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("rtf"))
        return Format::Rtf;
    if (suffix == QLatin1String("txt") || suffix == QLatin1String("sri"))
        return Format::Pair;
    return Format::Unknown;
}

QString usage()
{
    return QStringLiteral(
        "Aufruf: stilora-convert EINGABE AUSGABE\n"
        "\n"
        "Wandelt Stilora-Dokumente mit denselben Lese- und Schreibroutinen um, die Öffnen und\n"
        "Speichern im Editor benutzen. Das Format folgt aus der Endung des Namens:\n"
        "  .rtf         Rich Text Format (liest auch reinen Text)\n"
        "  .txt, .sri   das Dateipaar der Versionen 1.0 und 1.01: NAME.txt (Text) und NAME.sri\n"
        "               (Formate); gelesen wird NAME.sri, wenn es sie gibt, geschrieben werden beide\n"
        "\n"
        "Eine Ausgabe wird ganz oder gar nicht geschrieben; vorhandene Dateien bleiben bei einem\n"
        "Fehler unverändert. Fehler stehen auf der Standardfehlerausgabe.\n"
        "Rückgabewert: 0 umgewandelt, 1 Fehler beim Lesen oder Schreiben, 2 falscher Aufruf.\n");
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
        const QString base = baseOf(in);
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
    case Format::Unknown: break;
    }
    throw IoError(0, QStringLiteral("Unbekanntes Format (erwartet .rtf, .txt oder .sri): %1").arg(in));
}

void writeDocument(const styled::Document& document, const QString& out, QStringList* warnings)
{
    switch (formatOf(out)) {
    case Format::Rtf:
        try {
            writeFilesAtomically({{out, rtf::write(document)}});
        } catch (const IoError& e) {
            throw IoError(e.code(), rtf::saveFailedMessage() + QStringLiteral(": ") + e.message());
        }
        return;
    case Format::Pair: {
        if (document.length() == 0)
            throw IoError(0, QStringLiteral("Der Text ist leer; das Dateipaar wird nicht geschrieben"));
        const pair::Losses l = pair::losses(document);
        if (l.uncodedCharacters > 0)
            *warnings << QStringLiteral("%1 Zeichen ohne 8-Bit-Code (das erste an Stelle %2) als „?“ gespeichert")
                             .arg(l.uncodedCharacters)
                             .arg(l.firstUncoded);
        if (l.oversizedRuns > 0)
            *warnings << QStringLiteral("%1 Abschnitt(e) größer als 255 Punkt (der erste an Stelle %2) mit den unteren 8 Bit der Größe gespeichert")
                             .arg(l.oversizedRuns)
                             .arg(l.firstOversized);
        const pair::Bytes bytes = pair::write(document);
        const QString base = baseOf(out);
        writeFilesAtomically({{base + QStringLiteral("txt"), bytes.text}, {base + QStringLiteral("sri"), bytes.runs}});
        return;
    }
    case Format::Unknown: break;
    }
    throw IoError(0, QStringLiteral("Unbekanntes Format (erwartet .rtf, .txt oder .sri): %1").arg(out));
}

Outcome run(const QStringList& arguments)
{
    Outcome o;
    if (arguments.contains(QStringLiteral("--help")) || arguments.contains(QStringLiteral("-h")))
        return o;
    if (arguments.size() != 2) {
        o.exitCode = 2;
        o.errors << QStringLiteral("Aufruf: stilora-convert EINGABE AUSGABE (mehr mit --help)");
        return o;
    }
    for (const QString& name : arguments) {
        if (formatOf(name) == Format::Unknown) {
            o.exitCode = 2;
            o.errors << QStringLiteral("Unbekanntes Format (erwartet .rtf, .txt oder .sri): %1").arg(name);
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
