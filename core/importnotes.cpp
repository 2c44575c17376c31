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
        || halfPoints || lineBreaks;
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
    return parts.join(QStringLiteral("; "));
}
