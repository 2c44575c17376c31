#include "zipwriter.h"

#include <QDateTime>

#include <zlib.h>

#include <limits>

namespace {

constexpr quint64 kLimit = std::numeric_limits<quint32>::max();

void le16(QByteArray& b, quint32 v)
{
    b += char(v & 0xFF);
    b += char((v >> 8) & 0xFF);
}

void le32(QByteArray& b, quint32 v)
{
    le16(b, v & 0xFFFF);
    le16(b, v >> 16);
}

// The time of the entries in the form ZIP keeps: DOS date and time.
quint32 dosDateTime()
{
    const QDateTime now = QDateTime::currentDateTime();
    const QDate d = now.date();
    const QTime t = now.time();
    const quint32 date = quint32(std::max(d.year() - 1980, 0) << 9 | d.month() << 5 | d.day());
    const quint32 time = quint32(t.hour() << 11 | t.minute() << 5 | t.second() / 2);
    return date << 16 | time;
}

} // namespace

struct ZipWriter::Deflater {
    z_stream z{};
    bool ready = false;
    quint32 crc = 0;
    ~Deflater()
    {
        if (ready)
            deflateEnd(&z);
    }
};

// What is written to it goes into the current entry.
class ZipWriter::EntryDevice : public QIODevice {
public:
    explicit EntryDevice(ZipWriter& zip)
        : m_zip(zip)
    {
        open(QIODevice::WriteOnly);
    }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override
    {
        m_zip.write(data, size);
        return m_zip.m_error.isEmpty() ? size : -1;
    }

private:
    ZipWriter& m_zip;
};

ZipWriter::ZipWriter(QIODevice& out)
    : m_out(out)
    , m_time(dosDateTime())
    , m_z(std::make_unique<Deflater>())
{
}

ZipWriter::~ZipWriter() = default;

void ZipWriter::put(const char* data, qint64 size)
{
    if (!m_error.isEmpty() || size == 0)
        return;
    if (m_out.write(data, size) != size) {
        m_error = m_out.errorString();
        return;
    }
    m_position += quint64(size);
    if (m_position > kLimit)
        m_error = QStringLiteral("Die Datei würde größer als 4 GiB");
}

QByteArray ZipWriter::localHeader(const Entry& e, quint32 crc, quint32 size)
{
    QByteArray h;
    le32(h, 0x04034b50);
    le16(h, 20);
    le16(h, e.stored ? 0x0800 : 0x0808); // UTF-8 names; a deflated entry's sizes follow its data
    le16(h, e.stored ? 0 : 8);
    le32(h, m_time);
    le32(h, crc);
    le32(h, size);
    le32(h, size);
    le16(h, quint32(e.name.size()));
    le16(h, 0);
    h += e.name;
    return h;
}

void ZipWriter::beginEntry(const QString& name, bool stored)
{
    endEntry();
    Entry e;
    e.name = name.toUtf8();
    e.stored = stored;
    e.offset = quint32(std::min(m_position, kLimit));
    m_entries.append(e);
    m_open = true;
    m_entrySize = m_entryCompressed = 0;
    m_z->crc = quint32(crc32(0, nullptr, 0));
    if (stored)
        return; // small: written whole, its header with its size, when it ends
    m_z->z = z_stream{};
    // Raw deflate, as ZIP keeps it: no zlib header, no checksum of its own.
    if (deflateInit2(&m_z->z, 6, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        m_error = QStringLiteral("zlib");
    m_z->ready = true;
    const QByteArray h = localHeader(e, 0, 0);
    put(h.constData(), h.size());
}

void ZipWriter::write(const char* data, qint64 size)
{
    Q_ASSERT(m_open);
    if (!m_error.isEmpty() || size <= 0)
        return;
    m_z->crc = quint32(crc32_z(m_z->crc, reinterpret_cast<const Bytef*>(data), z_size_t(size)));
    m_entrySize += quint64(size);
    if (m_entries.last().stored) {
        m_storedData.append(data, size); // stored entries are small: their header carries their size
        return;
    }
    deflate(data, size, false);
}

void ZipWriter::deflate(const char* data, qint64 size, bool finish)
{
    char buffer[1 << 15];
    z_stream& z = m_z->z;
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data));
    z.avail_in = uInt(size);
    for (;;) {
        z.next_out = reinterpret_cast<Bytef*>(buffer);
        z.avail_out = sizeof buffer;
        const int r = ::deflate(&z, finish ? Z_FINISH : Z_NO_FLUSH);
        const qint64 produced = qint64(sizeof buffer - z.avail_out);
        put(buffer, produced);
        m_entryCompressed += quint64(produced);
        if (r == Z_STREAM_END || (!finish && z.avail_in == 0 && z.avail_out != 0))
            break;
        if (r != Z_OK && r != Z_BUF_ERROR) {
            m_error = QStringLiteral("zlib");
            break;
        }
    }
}

void ZipWriter::endEntry()
{
    if (!m_open)
        return;
    m_open = false;
    Entry& e = m_entries.last();
    if (e.stored) {
        e.offset = quint32(std::min(m_position, kLimit));
        const QByteArray h = localHeader(e, m_z->crc, quint32(m_storedData.size()));
        put(h.constData(), h.size());
        put(m_storedData.constData(), m_storedData.size());
        m_entryCompressed = quint64(m_storedData.size());
        m_storedData.clear();
    } else {
        deflate(nullptr, 0, true);
        deflateEnd(&m_z->z);
        m_z->ready = false;
        QByteArray d;
        le32(d, 0x08074b50);
        le32(d, m_z->crc);
        le32(d, quint32(std::min(m_entryCompressed, kLimit)));
        le32(d, quint32(std::min(m_entrySize, kLimit)));
        put(d.constData(), d.size());
    }
    if (m_entrySize > kLimit || m_entryCompressed > kLimit)
        m_error = QStringLiteral("Die Datei würde größer als 4 GiB");
    e.crc = m_z->crc;
    e.size = quint32(std::min(m_entrySize, kLimit));
    e.compressed = quint32(std::min(m_entryCompressed, kLimit));
}

QIODevice* ZipWriter::entryDevice()
{
    if (!m_device)
        m_device = std::make_unique<EntryDevice>(*this);
    return m_device.get();
}

bool ZipWriter::finish()
{
    endEntry();
    const quint64 start = m_position;
    QByteArray c;
    for (const Entry& e : m_entries) {
        le32(c, 0x02014b50);
        le16(c, 20);
        le16(c, 20);
        le16(c, e.stored ? 0x0800 : 0x0808);
        le16(c, e.stored ? 0 : 8);
        le32(c, m_time);
        le32(c, e.crc);
        le32(c, e.compressed);
        le32(c, e.size);
        le16(c, quint32(e.name.size()));
        le16(c, 0);
        le16(c, 0);
        le16(c, 0);
        le16(c, 0);
        le32(c, 0);
        le32(c, e.offset);
        c += e.name;
    }
    const quint32 directorySize = quint32(c.size());
    le32(c, 0x06054b50);
    le16(c, 0);
    le16(c, 0);
    le16(c, quint32(m_entries.size()));
    le16(c, quint32(m_entries.size()));
    le32(c, directorySize);
    le32(c, quint32(std::min(start, kLimit)));
    le16(c, 0);
    put(c.constData(), c.size());
    return m_error.isEmpty();
}
