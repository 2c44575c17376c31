#include "ziparchive.h"

#include <QBuffer>
#include <QHash>

#include <quazip.h>
#include <quazipfile.h>

namespace ziparchive {

struct Reader::Impl {
    QByteArray file;
    QBuffer buffer{&file};
    QuaZip zip{&buffer};
    bool open = false;
    QHash<QString, int> names; // how often each name stands in the directory
};

Reader::Reader(const QByteArray& file)
    : m(std::make_unique<Impl>())
{
    m->file = file;
    m->open = m->zip.open(QuaZip::mdUnzip);
    if (!m->open)
        return;
    for (bool more = m->zip.goToFirstFile(); more; more = m->zip.goToNextFile())
        ++m->names[m->zip.getCurrentFileName()];
}

Reader::~Reader() = default;

bool Reader::isZip() const { return m->open; }

bool Reader::contains(const QString& name) const { return m->names.value(name) > 0; }

Part Reader::read(const QString& name) const
{
    if (!m->open)
        return {Status::NotZip, {}};
    const int count = m->names.value(name);
    if (count == 0)
        return {Status::Missing, {}};
    if (count > 1)
        return {Status::Duplicated, {}};
    if (!m->zip.setCurrentFile(name, QuaZip::csSensitive))
        return {Status::Damaged, {}};
    QuaZipFileInfo64 info;
    if (!m->zip.getCurrentFileInfo(&info))
        return {Status::Damaged, {}};
    if (info.isEncrypted())
        return {Status::Encrypted, {}};
    // The sizes the directory states are a claim: the reading below counts
    // what really comes out.
    const qint64 packed = qint64(info.compressedSize);
    const qint64 limit = std::min(kMaxPart, std::max<qint64>(1024 * 1024, packed * kMaxRatio));
    if (qint64(info.uncompressedSize) > limit)
        return {Status::TooLarge, {}};
    QuaZipFile entry(&m->zip);
    if (!entry.open(QIODevice::ReadOnly))
        return {Status::Damaged, {}};
    Part part;
    part.bytes.reserve(qsizetype(std::min<qint64>(qint64(info.uncompressedSize), limit)));
    char chunk[64 * 1024];
    for (;;) {
        const qint64 n = entry.read(chunk, sizeof chunk);
        if (n < 0)
            return {Status::Damaged, {}};
        if (n == 0)
            break;
        if (part.bytes.size() + n > limit)
            return {Status::TooLarge, {}};
        part.bytes.append(chunk, qsizetype(n));
    }
    entry.close();
    if (entry.getZipError() != UNZ_OK) // a checksum that does not match
        return {Status::Damaged, {}};
    return part;
}

QString describe(Status status, const QString& part)
{
    switch (status) {
    case Status::Ok: return {};
    case Status::NotZip: return QStringLiteral("kein ZIP-Archiv");
    case Status::Missing: return QStringLiteral("Teil %1 fehlt").arg(part);
    case Status::Duplicated: return QStringLiteral("Teil %1 steht mehrfach im Archiv").arg(part);
    case Status::Encrypted: return QStringLiteral("Das Dokument ist verschlüsselt");
    case Status::TooLarge: return QStringLiteral("Teil %1 ist entpackt zu groß").arg(part);
    case Status::Damaged: return QStringLiteral("Teil %1 ist beschädigt").arg(part);
    }
    return {};
}

} // namespace ziparchive
