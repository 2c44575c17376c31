#include "atomicfiles.h"
#include "exporter.h"

#include "ioerror.h"
#include "qtformat.h"
#include "report.h"
#include "unicodegreek.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentWriter>

namespace exporter {

Format formatOf(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("odt"))
        return Format::Odt;
    if (suffix == QLatin1String("txt"))
        return Format::Text;
    if (suffix == QLatin1String("html") || suffix == QLatin1String("htm"))
        return Format::Html;
    if (suffix == QLatin1String("pdf"))
        return Format::Pdf;
    return Format::Unknown;
}

styled::Document unicodeDocument(const styled::Document& document)
{
    styled::Document out = document;
    const QString greek = QString::fromLatin1(styled::kDefaultFont);
    for (styled::Paragraph& p : out.paragraphs) {
        for (styled::Run& r : p.runs) {
            if (r.format.font != greek)
                continue;
            r.text = unicodegreek::exportGreek(r.text);
            r.format.font = QString::fromLatin1(kGreekFamily);
        }
    }
    return out;
}

namespace {

// The exported text as a Qt document, for the writers Qt has.
void fill(QTextDocument& doc, const styled::Document& unicode)
{
    QFont base(QString::fromLatin1(kGreekFamily));
    base.setPointSize(styled::kDefaultSize);
    doc.setDefaultFont(base);
    QTextCursor c(&doc);
    c.beginEditBlock();
    qtformat::insertModel(c, unicode);
    // Qt's ODF writer names a font by the single family of older formats.
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            const QStringList families = f.charFormat().fontFamilies().toStringList();
            if (families.isEmpty())
                continue;
            QTextCharFormat named;
            named.setProperty(QTextFormat::FontFamily, families.first());
            QTextCursor range(&doc);
            range.setPosition(f.position());
            range.setPosition(f.position() + f.length(), QTextCursor::KeepAnchor);
            range.mergeCharFormat(named);
        }
    }
    c.endEditBlock();
}

} // namespace

void exportFile(const styled::Document& document, const QString& path, Format format, int printWidth)
{
    const styled::Document unicode = unicodeDocument(document);
    QByteArray bytes;
    switch (format) {
    case Format::Text: bytes = unicodegreek::exportPlainText(document).toUtf8(); break;
    case Format::Html: {
        QTextDocument doc;
        fill(doc, unicode);
        bytes = doc.toHtml().toUtf8();
        break;
    }
    case Format::Odt: {
        QTextDocument doc;
        fill(doc, unicode);
        QBuffer buffer(&bytes);
        QTextDocumentWriter writer(&buffer, "odf");
        if (!writer.write(&doc))
            throw IoError(0, QStringLiteral("Das ODT-Dokument konnte nicht erzeugt werden"));
        break;
    }
    case Format::Pdf: {
        // The report engine prints into a file of its own; it then goes in place whole.
        QTemporaryDir scratch;
        const QString temp = scratch.filePath(QStringLiteral("export.pdf"));
        report::Report engine;
        engine.setItemWidth(printWidth);
        engine.setTitle(QFileInfo(path).completeBaseName());
        if (!engine.printToPdf(unicode, temp))
            throw IoError(0, QStringLiteral("Die PDF-Datei konnte nicht erzeugt werden"));
        bytes = readWholeFile(temp);
        break;
    }
    case Format::Unknown:
        throw IoError(0, QStringLiteral("Unbekanntes Format: %1").arg(path));
    }
    writeFilesAtomically({{path, bytes}});
}

} // namespace exporter
