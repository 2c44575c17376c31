#include "converter.h"

#include "codepage.h"
#include "documentfiles.h"
#include "finder.h"
#include "ioerror.h"
#include "pages.h"
#include "paircodec.h"
#include "textsearch.h"

#include <QCommandLineParser>
#include <QFileInfo>

#include <new>

#include <cstdio>
#include <unistd.h>

namespace convert {

namespace {

const QString kKnownFormats = QStringLiteral(
    "gelesen: .rtf, .txt, .sri, .docx, .odt, .fodt, .beta; geschrieben: .rtf, .sri, .txt, .docx, .odt, .html, .pdf, .beta");

QString unknownFormat(const QString& name) { return IoError(IoError::Cause::UnknownFormat, kKnownFormats).about(name).messageWithPath(); }

void writePdf(const styled::Document& document, const QString& file, const QString& title)
{
    report::writePdf(document, 706, file, title); // the editor's column at its fixed width
}

} // namespace

QString usage()
{
    return QStringLiteral(
        "Aufruf: stilora-convert EINGABE AUSGABE\n"
        "        stilora-convert --to FORMAT DATEI...\n"
        "        stilora-convert --find TEXT [--ignore-marks] [--case] [--word] [--beta-code] DATEI...\n"
        "        stilora-convert --unicode EINGABE AUSGABE\n"
        "\n"
        "Wandelt Stilora-Dokumente mit denselben Lese- und Schreibroutinen um, die Öffnen und\n"
        "Speichern im Editor benutzen. Das Format folgt aus der Endung des Namens:\n"
        "  .rtf         Rich Text Format (liest auch reinen Text)\n"
        "  .sri         das Dateipaar der Versionen 1.0 und 1.01: NAME.txt (Text) und NAME.sri\n"
        "               (Formate); gelesen wird NAME.sri, wenn es sie gibt, geschrieben werden beide\n"
        "  .txt         als Eingabe der Text des Dateipaars (mit NAME.sri, wenn es sie gibt) oder, ohne\n"
        "               NAME.sri, UTF-8-Text eines anderen Programms; als Ausgabe UTF-8-Text mit\n"
        "               Griechisch in Unicode (das Dateipaar schreibt AUSGABE.sri), nie über die\n"
        "               Textdatei eines Dateipaars\n"
        "  .docx        Word-Dokument, gelesen wie .odt; als Ausgabe A4 mit den Rändern des Drucks,\n"
        "               Griechisch als Unicode in der Schrift Gentium Plus\n"
        "  .odt .fodt   OpenDocument-Text eines anderen Programms: griechisches Unicode wird zu den\n"
        "               Codes der Schrift Greek; was nicht übernommen werden konnte, steht als Warnung\n"
        "               da. Als Ausgabe (nur .odt) Griechisch als Unicode in der Schrift Gentium Plus\n"
        "  .html .pdf   HTML, PDF: nur Ausgabe, Griechisch als Unicode in der Schrift Gentium Plus\n"
        "  .beta        Beta Code der Textkorpora (TLG, Perseus): MH=NIN A)/EIDE ergibt μῆνιν ἄειδε;\n"
        "               lateinischer Text zwischen & und $ (gelesen in Arial); Zeichen ohne Code der\n"
        "               Schrift Greek (Makron %26, Digamma V ...) stehen als Warnung da\n"
        "  --from betacode  jede EINGABE als Beta Code lesen, gleich welche Endung sie hat\n"
        "  --to FORMAT  jede DATEI neben sich umwandeln (FORMAT: rtf, sri, docx, odt, html, pdf, txt für\n"
        "               Unicode-Text, betacode für NAME.beta); am Ende eine Übersicht der umgewandelten\n"
        "               und der fehlgeschlagenen\n"
        "               Dateien und jedes Zeichens, das nicht oder nur angenähert übernommen wurde\n"
        "  --find TEXT  TEXT in jeder DATEI suchen wie \"Wort suchen\" im Editor; jeder Treffer als\n"
        "               DATEI:ABSATZ:STELLE: WORT (ab 1 gezählt, das Wort in Unicode). TEXT in\n"
        "               Unicode-Griechisch, getippt wie im Editor (>´a ergibt ἄ) oder in Beta Code\n"
        "               (LO/GOS, *)/ANDRA: erkannt an Zeichen nach dem Buchstaben und am *)\n"
        "  --beta-code  TEXT ist Beta Code, auch ohne solche Zeichen (LOGOS)\n"
        "  --ignore-marks  Akzente ignorieren (Hauchzeichen, Akzente, Iota subscriptum, Trema; σ = ς)\n"
        "  --case       Groß/Kleinschreibung beachten\n"
        "  --word       nur ganze Wörter\n"
        "  --unicode    AUSGABE als UTF-8-Text schreiben, gleich welche Endung sie hat (die ältere\n"
        "               Schreibweise von EINGABE AUSGABE.txt)\n"
        "  --           was folgt, ist ein Dateiname, auch wenn es mit - beginnt\n"
        "\n"
        "Eine Ausgabe wird ganz oder gar nicht geschrieben; vorhandene Dateien bleiben bei einem\n"
        "Fehler unverändert, die beiden Dateien eines Paars werden nur gemeinsam ersetzt.\n"
        "Speichert ein anderes Programm dieselbe Datei, wird gewartet; ersetzt werden nur normale\n"
        "Dateien, schreibgeschützte nie.\n"
        "Fehler stehen auf der Standardfehlerausgabe.\n"
        "Rückgabewert: 0 umgewandelt, 1 Fehler beim Lesen oder Schreiben (bei --to: eine Datei\n"
        "fehlgeschlagen), 2 falscher Aufruf; bei --find 0 gefunden, 1 nichts gefunden oder eine\n"
        "Datei nicht lesbar, 2 falscher Aufruf.\n");
}

styled::Document readDocument(const QString& in, QStringList* warnings, ImportNotes* notes, Format from)
{
    docfiles::Opened o = docfiles::open(in, from);
    if (notes)
        notes->add(o.notes);
    if (!o.notice.isEmpty())
        *warnings << in + QStringLiteral(": ") + o.notice;
    return o.document;
}

void writeDocument(const styled::Document& document, const QString& out, QStringList* warnings, Format format,
                   QList<Lost>* lost)
{
    if (format == Format::Unknown)
        format = DocumentKind::writeFormatOf(out);
    switch (format) {
    case Format::Rtf: docfiles::saveRtf(document, out); return;
    case Format::Pair: {
        const docfiles::ForPair p = docfiles::forPair(document);
        const QString base = pair::basePathOf(out);
        if (p.coded.length() == 0)
            throw IoError(IoError::Cause::EmptyPair).about(base + QStringLiteral("sri"));
        *warnings << p.warnings();
        if (p.losses.uncodedCharacters > 0 && lost) {
            int pos = 1;
            for (const styled::Paragraph& para : p.coded.paragraphs) {
                for (const styled::Run& r : para.runs)
                    for (QChar ch : r.text) {
                        if (!codepage::toCode(ch))
                            *lost << Lost{out, pos, ch};
                        ++pos;
                    }
                pos += 2; // as in the text file, a line end is two
            }
        }
        docfiles::savePair(p.coded, base);
        return;
    }
    case Format::UnicodeText:
        // UTF-8 over the text file of a pair would leave its attribute file to garbage.
        if (const std::optional<QString> runs = docfiles::pairOfText(out))
            throw IoError(IoError::Cause::PairText, QFileInfo(*runs).fileName()).about(out);
        *warnings << docfiles::exportFile(document, out, format, writePdf);
        return;
    case Format::Unknown: throw IoError(IoError::Cause::UnknownFormat, kKnownFormats).about(out);
    default: *warnings << docfiles::exportFile(document, out, format, writePdf); return;
    }
}

namespace {

// One file converted beside itself, as `--to` does it.
Format batchFormat(const QString& name, QString* extension)
{
    *extension = name.toLower();
    if (*extension == QLatin1String("betacode"))
        *extension = DocumentKind::extensionOf(Format::BetaCode);
    return DocumentKind::writeFormatOf(QStringLiteral("x.") + *extension); // as an output of that extension is written
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

Outcome runBatch(const QString& to, const QStringList& files, Format from)
{
    Outcome o;
    QString extension;
    const Format format = batchFormat(to, &extension);
    if (format == Format::Unknown || files.isEmpty()) {
        o.exitCode = 2;
        o.errors << QStringLiteral("Aufruf: stilora-convert --to rtf|sri|docx|odt|html|pdf|txt|betacode DATEI... (mehr mit --help)");
        return o;
    }
    int failed = 0;
    ImportNotes notes; // of all files together
    for (int i = 0; i < files.size(); ++i) {
        progress(i, int(files.size()));
        const QString& in = files[i];
        const QFileInfo info(in);
        const QString out = info.path() + QLatin1Char('/') + info.completeBaseName() + QLatin1Char('.') + extension;
        try {
            QStringList warnings;
            writeDocument(readDocument(in, &warnings, &notes, from), out, &warnings, format, &o.lost);
            for (const QString& w : warnings)
                o.warnings << in + QStringLiteral(": ") + w;
            ++o.converted;
        } catch (const IoError& e) {
            ++failed;
            o.errors << (e.file().isEmpty() ? in + QStringLiteral(": ") + e.message() : e.messageWithPath());
        } catch (const std::bad_alloc&) {
            ++failed; // the next file may well fit
            o.errors << IoError(IoError::Cause::OutOfMemory).about(in).messageWithPath();
        }
    }
    progress(int(files.size()), int(files.size()));
    o.summary << QStringLiteral("%1 Datei(en) umgewandelt, %2 fehlgeschlagen").arg(o.converted).arg(failed);
    if (notes.any())
        o.summary << QStringLiteral("Alle Dateien zusammen: ") + notes.summary();
    for (const Lost& l : o.lost)
        o.warnings << QStringLiteral("nicht übernommen: %1, Stelle %2: %3 (U+%4)")
                          .arg(l.file)
                          .arg(l.position)
                          .arg(l.character)
                          .arg(l.character.unicode(), 4, 16, QLatin1Char('0'));
    o.exitCode = failed > 0 ? 1 : 0;
    return o;
}

Outcome runFind(QStringList files, int options, Format from, bool betaCode)
{
    Outcome o;
    const QString text = files.isEmpty() ? QString() : files.takeFirst();
    if (text.isEmpty() || files.isEmpty()) {
        o.exitCode = 2;
        o.errors << QStringLiteral("Aufruf: stilora-convert --find TEXT [--ignore-marks] [--case] [--word] [--beta-code] DATEI... "
                                   "(mehr mit --help)");
        return o;
    }
    const QString codes = searchCodes(text, betaCode || looksLikeBetaCode(text));
    bool failed = false, found = false;
    for (const QString& file : std::as_const(files)) {
        try {
            QStringList warnings;
            const styled::Document d = readDocument(file, &warnings, nullptr, from);
            for (const Hit& h : findAll(d, codes, options))
                o.output << QStringLiteral("%1:%2:%3: %4").arg(file).arg(h.paragraph).arg(h.position).arg(h.word);
            found = found || !o.output.isEmpty();
        } catch (const IoError& e) {
            failed = true;
            o.errors << (e.file().isEmpty() ? file + QStringLiteral(": ") + e.message() : e.messageWithPath());
        } catch (const std::bad_alloc&) {
            failed = true;
            o.errors << IoError(IoError::Cause::OutOfMemory).about(file).messageWithPath();
        }
    }
    o.exitCode = found && !failed ? 0 : 1;
    return o;
}

Outcome wrongUse(const QString& message)
{
    Outcome o;
    o.exitCode = 2;
    o.errors << message;
    return o;
}

Outcome convertOne(const QString& in, const QString& out, Format format, Format from)
{
    Outcome o;
    try {
        writeDocument(readDocument(in, &o.warnings, nullptr, from), out, &o.warnings, format);
    } catch (const IoError& e) {
        o.exitCode = 1;
        o.errors << e.messageWithPath();
    }
    return o;
}

Outcome dispatch(const QStringList& arguments)
{
    QCommandLineParser parser;
    // Options may stand before, between and after the files; `--` ends them.
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsOptions);
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QString());
    const QCommandLineOption to(QStringLiteral("to"), QString(), QStringLiteral("FORMAT"));
    // The search text is the first file argument rather than the option's value, so that
    // `--find --ignore-marks TEXT DATEI` reads as it always has.
    const QCommandLineOption find(QStringLiteral("find"));
    const QCommandLineOption ignoreMarks(QStringLiteral("ignore-marks"));
    const QCommandLineOption matchCase(QStringLiteral("case"));
    const QCommandLineOption word(QStringLiteral("word"));
    const QCommandLineOption unicode(QStringLiteral("unicode"));
    const QCommandLineOption from(QStringLiteral("from"), QString(), QStringLiteral("FORMAT"));
    const QCommandLineOption betaCode(QStringLiteral("beta-code"));
    parser.addOptions({help, to, find, ignoreMarks, matchCase, word, unicode, from, betaCode});
    if (!parser.parse(QStringList{QStringLiteral("stilora-convert")} + arguments)) {
        const QStringList unknown = parser.unknownOptionNames();
        return wrongUse(unknown.isEmpty() ? QStringLiteral("Der Option --to oder --from fehlt das Format (mehr mit --help)")
                                          : QStringLiteral("Unbekannte Option: %1 (mehr mit --help)").arg(unknown.first()));
    }
    if (parser.isSet(help)) {
        Outcome o;
        o.help = true;
        return o;
    }
    const QStringList files = parser.positionalArguments();
    const int modes = int(parser.isSet(to)) + int(parser.isSet(find)) + int(parser.isSet(unicode));
    const bool searchOptions = parser.isSet(ignoreMarks) || parser.isSet(matchCase) || parser.isSet(word) || parser.isSet(betaCode);
    // What the input files are read as: by their names, or all of them as Beta Code.
    Format input = Format::Unknown;
    if (parser.isSet(from)) {
        const QString name = parser.value(from).toLower();
        if (name != QLatin1String("betacode") && name != QLatin1String("beta"))
            return wrongUse(QStringLiteral("Unbekanntes Format für --from: %1 (bekannt: betacode; mehr mit --help)").arg(parser.value(from)));
        input = Format::BetaCode;
    }
    if (modes > 1 || (searchOptions && !parser.isSet(find)))
        return wrongUse(QStringLiteral("Aufruf: --to, --find und --unicode schließen einander aus; --ignore-marks, --case "
                                       "--word und --beta-code gehören zu --find (mehr mit --help)"));
    if (parser.isSet(to))
        return runBatch(parser.value(to), files, input);
    if (parser.isSet(find)) {
        int options = 0;
        if (parser.isSet(ignoreMarks))
            options |= textsearch::IgnoreMarks;
        if (parser.isSet(matchCase))
            options |= textsearch::MatchCase;
        if (parser.isSet(word))
            options |= textsearch::WholeWord;
        return runFind(files, options, input, parser.isSet(betaCode));
    }
    if (parser.isSet(unicode)) {
        if (files.size() != 2)
            return wrongUse(QStringLiteral("Aufruf: stilora-convert --unicode EINGABE AUSGABE (mehr mit --help)"));
        return convertOne(files[0], files[1], Format::UnicodeText, input);
    }
    if (files.size() != 2)
        return wrongUse(QStringLiteral("Aufruf: stilora-convert EINGABE AUSGABE (mehr mit --help)"));
    const bool readable = input != Format::Unknown || DocumentKind::readFormatOf(files[0]) != Format::Unknown;
    if (!readable || DocumentKind::writeFormatOf(files[1]) == Format::Unknown)
        return wrongUse(unknownFormat(!readable ? files[0] : files[1]));
    return convertOne(files[0], files[1], Format::Unknown, input);
}

} // namespace

Outcome run(const QStringList& arguments)
{
    // Every failure a conversion can meet ends as a message and an exit code, never as an
    // escaped exception: the readers and writers throw IoError, the allocator bad_alloc.
    try {
        return dispatch(arguments);
    } catch (const IoError& e) {
        Outcome o;
        o.exitCode = 1;
        o.errors << e.messageWithPath();
        return o;
    } catch (const std::bad_alloc&) {
        Outcome o;
        o.exitCode = 1;
        o.errors << IoError(IoError::Cause::OutOfMemory).message();
        return o;
    } catch (const std::exception& e) {
        Outcome o;
        o.exitCode = 1;
        o.errors << QStringLiteral("Unerwarteter Fehler: %1").arg(QString::fromLocal8Bit(e.what()));
        return o;
    }
}

} // namespace convert
