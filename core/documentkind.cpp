#include "documentkind.h"

#include <QFileInfo>

#include <algorithm>

namespace {

using Format = DocumentKind::Format;

struct FormatEntry {
    Format format;
    const char* extension;  // the one it is written with
    const char* exportName; // in the export dialog, or none
    bool read;              // a document is read from it
    bool written = true;    // a document is written as it
    const char* exportExtension = nullptr; // in the export dialog, when not `extension`
};

// The one table of the formats.
constexpr FormatEntry kFormats[] = {
    {Format::Rtf, "rtf", nullptr, true},
    {Format::Pair, "sri", nullptr, true},
    {Format::UnicodeText, "txt", "Unicode-Text", false},
    {Format::Odt, "odt", "OpenDocument-Text", true},
    {Format::Docx, "docx", nullptr, true},
    {Format::Html, "html", "HTML", false},
    {Format::Pdf, "pdf", "PDF", false},
    {Format::BetaCode, "beta", "Beta Code", true, true, "txt"},
};

QString suffixOf(const QString& path) { return QFileInfo(path).suffix().toLower(); }

const FormatEntry* entryOf(Format format)
{
    for (const FormatEntry& e : kFormats)
        if (e.format == format)
            return &e;
    return nullptr;
}

} // namespace

DocumentKind DocumentKind::ofFile(const QString& path)
{
    const Format format = readFormatOf(path);
    return format == Format::Pair || format == Format::Odt || format == Format::Docx || format == Format::BetaCode ? format
                                                                                                              : Format::Rtf;
}

DocumentKind::Format DocumentKind::readFormatOf(const QString& path)
{
    const QString suffix = suffixOf(path);
    if (suffix == QLatin1String("txt"))
        return Format::Pair; // the pair's text file, or another program's text
    if (suffix == QLatin1String("fodt"))
        return Format::Odt; // flat OpenDocument text
    for (const FormatEntry& e : kFormats)
        if (e.read && suffix == QLatin1String(e.extension))
            return e.format;
    return Format::Unknown;
}

DocumentKind::Format DocumentKind::writeFormatOf(const QString& path)
{
    const QString suffix = suffixOf(path);
    if (suffix == QLatin1String("htm"))
        return Format::Html;
    for (const FormatEntry& e : kFormats)
        if (e.written && suffix == QLatin1String(e.extension))
            return e.format;
    return Format::Unknown;
}

QString DocumentKind::extensionOf(Format format)
{
    const FormatEntry* e = entryOf(format);
    return e ? QString::fromLatin1(e->extension) : QString();
}

const QList<DocumentKind::Format>& DocumentKind::exportFormats()
{
    static const QList<Format> formats{Format::Odt, Format::UnicodeText, Format::Html, Format::Pdf, Format::BetaCode};
    return formats;
}

QString DocumentKind::exportFilter()
{
    QStringList parts;
    for (Format f : exportFormats()) {
        const FormatEntry* e = entryOf(f);
        const QString pattern = QStringLiteral("*.") + QLatin1String(e->exportExtension ? e->exportExtension : e->extension);
        parts << QStringLiteral("%1 (%2)").arg(QLatin1String(e->exportName), pattern) << pattern;
    }
    return parts.join(QLatin1Char('|'));
}

DocumentKind::Format DocumentKind::exportFormatOf(const QString& path, int entry)
{
    const QList<Format>& formats = exportFormats();
    const Format byEntry = formats.at(std::clamp(entry, 1, int(formats.size())) - 1);
    const FormatEntry* e = entryOf(byEntry);
    if (suffixOf(path) == QLatin1String(e->exportExtension ? e->exportExtension : e->extension))
        return byEntry;
    const Format byName = writeFormatOf(path);
    return formats.contains(byName) ? byName : byEntry;
}

QString DocumentKind::fileOf(const QString& base) const
{
    return base + (onPairNames() ? QStringLiteral("txt") : extensionOf(m_format));
}

QString DocumentKind::namedFileOf(const QString& base) const
{
    return base + (onPairNames() ? QStringLiteral("sri") : extensionOf(m_format));
}

QList<QString> DocumentKind::filesOf(const QString& base) const
{
    if (onPairNames())
        return {base + QStringLiteral("txt"), base + QStringLiteral("sri")};
    return {fileOf(base)};
}
