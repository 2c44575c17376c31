#include "importnotes.h"

#include <QStringList>

namespace {

QString counted(int n, const char* one, const char* many)
{
    return QStringLiteral("%1 %2").arg(n).arg(QString::fromUtf8(n == 1 ? one : many));
}

} // namespace

bool ImportNotes::any() const
{
    return pictures || objects || comments || headersFooters || fieldCodes || trackedChanges || colours || notes || justified
        || halfPoints || lineBreaks
        || betaSigns || uncodedGreek;
}

void ImportNotes::add(const ImportNotes& o)
{
    pictures += o.pictures;
    objects += o.objects;
    comments += o.comments;
    headersFooters += o.headersFooters;
    fieldCodes += o.fieldCodes;
    trackedChanges += o.trackedChanges;
    colours += o.colours;
    notes += o.notes;
    justified += o.justified;
    halfPoints += o.halfPoints;
    lineBreaks += o.lineBreaks;
    betaSigns += o.betaSigns;
    uncodedGreek += o.uncodedGreek;
}

QString ImportNotes::summary() const
{
    QStringList left;
    if (pictures)
        left << counted(pictures, "Bild", "Bilder");
    if (objects)
        left << counted(objects, "eingebettetes Objekt", "eingebettete Objekte");
    if (comments)
        left << counted(comments, "Kommentar", "Kommentare");
    if (headersFooters)
        left << counted(headersFooters, "Kopf- oder Fußzeile", "Kopf- und Fußzeilen");
    if (fieldCodes)
        left << counted(fieldCodes, "Feldbefehl (sein Ergebnis steht im Text)", "Feldbefehle (ihr Ergebnis steht im Text)");
    if (trackedChanges)
        left << counted(trackedChanges, "Änderungsmarkierung (angenommen)", "Änderungsmarkierungen (angenommen)");
    if (colours)
        left << counted(colours, "Textfarbe", "Textfarben");
    if (betaSigns)
        left << counted(betaSigns, "Beta-Code-Zeichen ohne Entsprechung (Makron, Breve, Auszeichnung …)",
                        "Beta-Code-Zeichen ohne Entsprechung (Makron, Breve, Auszeichnung …)");
    QStringList changed;
    if (justified)
        changed << counted(justified, "Absatz im Blocksatz linksbündig", "Absätze im Blocksatz linksbündig");
    if (halfPoints)
        changed << counted(halfPoints, "halbe Punktgröße gerundet", "halbe Punktgrößen gerundet");
    if (lineBreaks)
        changed << counted(lineBreaks, "Zeilenumbruch als Absatzende", "Zeilenumbrüche als Absatzende");
    QStringList parts;
    if (!left.isEmpty())
        parts << QStringLiteral("Nicht übernommen: ") + left.join(QStringLiteral(", "));
    if (notes)
        parts << QStringLiteral("Fußnoten ans Ende gestellt: %1").arg(notes);
    if (!changed.isEmpty())
        parts << QStringLiteral("Geändert: ") + changed.join(QStringLiteral(", "));
    if (uncodedGreek)
        parts << QStringLiteral("Ohne Code im Zeichensatz „Greek“, als Unicode behalten: ")
                + counted(uncodedGreek, "griechisches Zeichen (Digamma, Koppa …)", "griechische Zeichen (Digamma, Koppa …)");
    return parts.join(QStringLiteral("; "));
}

void appendNotesAtEnd(styled::Document& document, const QList<styled::Document>& notes, const QStringList& numbers)
{
    if (notes.isEmpty())
        return;
    styled::CharFormat last;
    for (auto p = document.paragraphs.crbegin(); p != document.paragraphs.crend(); ++p)
        if (!p->runs.isEmpty()) {
            last = p->runs.last().format;
            break;
        }
    styled::Paragraph heading;
    heading.runs.append(styled::Run{QStringLiteral("Fußnoten"), last});
    document.paragraphs.append(heading);
    for (qsizetype i = 0; i < notes.size(); ++i) {
        const QString number = i < numbers.size() ? numbers[i] : QString::number(i + 1);
        QList<styled::Paragraph> paragraphs = notes[i].paragraphs;
        if (paragraphs.isEmpty())
            paragraphs.append(styled::Paragraph());
        styled::Paragraph& first = paragraphs.first();
        // The space a writer puts between the note's mark and its text is the number's own.
        while (!first.runs.isEmpty() && !first.runs.first().text.isEmpty() && first.runs.first().text.front().isSpace()) {
            first.runs.first().text.remove(0, 1);
            if (first.runs.first().text.isEmpty())
                first.runs.removeFirst();
        }
        first.runs.prepend(styled::Run{number + QLatin1Char(' '), first.runs.isEmpty() ? last : first.runs.first().format});
        document.paragraphs.append(paragraphs);
    }
}
