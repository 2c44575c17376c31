#include "optionsrecord.h"

#include "codepage.h"

#include <algorithm>

namespace options {

Record::Record()
    : m_bytes(kRecordSize, '\0')
{
}

bool isSuccess(Status status) { return status == Status::Ok; }

QString describe(Status status, qint64)
{
    return status == Status::Ok ? QString() : QStringLiteral("Versuch hinter dem Dateiende zu lesen");
}

ReadResult Record::read(const QByteArray& file)
{
    ReadResult r;
    if (file.size() < kRecordSize) {
        r.status = Status::TooShort;
        r.offset = file.size();
        return r;
    }
    m_bytes = file.left(kRecordSize);
    r.offset = kRecordSize;
    return r;
}

QString Record::directory(int offset) const
{
    const int n = std::min<int>(uchar(m_bytes[offset]), kDirCapacity);
    return codepage::decode(m_bytes.mid(offset + 1, n));
}

void Record::setDirectory(int offset, const QString& directory)
{
    const QByteArray bytes = codepage::encode(directory.left(kDirCapacity));
    m_bytes[offset] = char(bytes.size());
    m_bytes.replace(offset + 1, bytes.size(), bytes);
}

} // namespace options
