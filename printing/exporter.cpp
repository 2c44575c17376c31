#include "exporter.h"

#include "atomicfiles.h"
#include "exportwriters.h"
#include "ioerror.h"
#include "report.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>

namespace exporter {

const QString kFilter = QStringLiteral(
    "OpenDocument-Text (*.odt)|*.odt|Unicode-Text (*.txt)|*.txt|HTML (*.html)|*.html|PDF (*.pdf)|*.pdf");
const QString kDefaultExtension = QStringLiteral("*.odt");

Format formatOfEntry(int filterIndex)
{
    static const Format formats[] = {Format::Odt, Format::Text, Format::Html, Format::Pdf};
    return formats[std::clamp(filterIndex, 1, 4) - 1];
}

QString extensionOf(Format format)
{
    switch (format) {
    case Format::Odt: return QStringLiteral("odt");
    case Format::Text: return QStringLiteral("txt");
    case Format::Html: return QStringLiteral("html");
    case Format::Pdf: return QStringLiteral("pdf");
    }
    return {};
}

void exportFile(const styled::Document& document, const QString& path, Format format, int printWidth)
{
    const QString title = QFileInfo(path).completeBaseName();
    // Each format is written straight into the scratch file beside the
    // target, which then replaces it whole: nothing is held twice, nothing
    // is left in /tmp.
    writeFileThrough(path, [&](const QString& scratch) {
        if (format == Format::Pdf) {
            report::Report engine;
            engine.setItemWidth(printWidth);
            engine.setTitle(title);
            if (!engine.printToPdf(document, scratch))
                throw IoError(0, QStringLiteral("Die PDF-Datei konnte nicht erzeugt werden"));
            return;
        }
        QFile out(scratch);
        errno = 0;
        if (!out.open(QIODevice::WriteOnly))
            throw IoError::fromErrno(errno ? errno : EACCES);
        QString error;
        exportwriters::Options options;
        options.title = title;
        bool ok = false;
        switch (format) {
        case Format::Odt: ok = exportwriters::writeOdt(document, out, options, &error); break;
        case Format::Html: ok = exportwriters::writeHtml(document, out, options, &error); break;
        case Format::Text: ok = exportwriters::writeText(document, out, &error); break;
        case Format::Pdf: break;
        }
        if (!ok || !out.flush()) {
            // The failing write left its cause; "Zu wenig Speicherplatz" on a full disk.
            const int err = errno;
            throw IoError::fromErrno(err ? err : EIO);
        }
    });
}

} // namespace exporter
