#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QList>
#include <QString>

#include <memory>

// Writes a ZIP archive onto a device entry by entry, each one stored or
// deflated as it is written, so that an entry of any size never has to be
// held whole: what OpenDocument files are made of. Entries and the archive
// stay below 4 GiB (no ZIP64).
class ZipWriter {
public:
    explicit ZipWriter(QIODevice& out);
    ~ZipWriter();

    // Starts an entry; `stored`: written as it is (the OpenDocument mimetype
    // must be), otherwise deflated. The previous entry is finished.
    void beginEntry(const QString& name, bool stored = false);
    void write(const char* data, qint64 size);
    void write(const QByteArray& data) { write(data.constData(), data.size()); }
    // The current entry as a device, for QXmlStreamWriter and friends.
    QIODevice* entryDevice();
    // Finishes the last entry and writes the central directory. Returns false
    // when the device failed or the archive grew too large; error() says why.
    bool finish();
    QString error() const { return m_error; }

private:
    struct Entry {
        QByteArray name;
        quint32 crc = 0;
        quint32 compressed = 0;
        quint32 size = 0;
        quint32 offset = 0;
        bool stored = false;
    };
    void endEntry();
    QByteArray localHeader(const Entry& e, quint32 crc, quint32 size);
    void put(const char* data, qint64 size);
    void deflate(const char* data, qint64 size, bool finish);

    QIODevice& m_out;
    QList<Entry> m_entries;
    bool m_open = false;
    quint64 m_position = 0;
    quint64 m_entrySize = 0;
    quint64 m_entryCompressed = 0;
    QString m_error;
    quint32 m_time;
    QByteArray m_storedData;
    struct Deflater;
    std::unique_ptr<Deflater> m_z;
    class EntryDevice;
    std::unique_ptr<EntryDevice> m_device;
};
