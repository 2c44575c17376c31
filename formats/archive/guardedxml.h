#pragma once

#include "ziparchive.h"

#include <QByteArray>
#include <QString>
#include <QXmlStreamReader>

#include <optional>

// The XML parts of another program's document (OpenDocument, Word) read
// with the checks every part gets: no document type (its entities could
// expand without end), no nesting deeper than kMaxDepth, malformed XML told
// with its offset. For readers whose Status names Ok, Encrypted,
// PartMissing, PartBroken, BadXml, Entities and TooDeep.
namespace guardedxml {

constexpr int kMaxDepth = 2000; // elements inside each other

template <class Status>
struct Failure {
    Status status;
    qint64 offset;
};

template <class Status>
class Reader {
public:
    explicit Reader(const QByteArray& bytes)
        : x(bytes)
    {
    }
    // The next start, end or text; false at the end or at a failure (failure() says which).
    bool next()
    {
        while (!x.atEnd()) {
            const QXmlStreamReader::TokenType t = x.readNext();
            if (t == QXmlStreamReader::DTD) {
                m_failure = Failure<Status>{Status::Entities, x.characterOffset()};
                return false;
            }
            if (t == QXmlStreamReader::StartElement && ++m_depth > kMaxDepth) {
                m_failure = Failure<Status>{Status::TooDeep, x.characterOffset()};
                return false;
            }
            if (t == QXmlStreamReader::EndElement)
                --m_depth;
            if (t == QXmlStreamReader::StartElement || t == QXmlStreamReader::EndElement || t == QXmlStreamReader::Characters)
                return true;
        }
        if (x.hasError())
            m_failure = Failure<Status>{Status::BadXml, x.characterOffset()};
        return false;
    }
    std::optional<Failure<Status>> failure() const { return m_failure; }

    QXmlStreamReader x;

private:
    int m_depth = 0;
    std::optional<Failure<Status>> m_failure;
};

// What a part the archive did not give whole means for the reader.
template <class Status>
Status partStatus(ziparchive::Status s)
{
    return s == ziparchive::Status::Missing ? Status::PartMissing
        : s == ziparchive::Status::Encrypted ? Status::Encrypted
                                              : Status::PartBroken;
}

// A reader's result refused with its status, the byte and the part.
template <class Result, class Status>
Result refused(Status status, qint64 offset, const QString& part)
{
    Result r;
    r.status = status;
    r.offset = offset;
    r.part = part;
    return r;
}

// The German message of the statuses these readers share; empty for Ok and for the reader's own.
template <class Status>
QString message(Status status)
{
    switch (status) {
    case Status::Encrypted: return QStringLiteral("Das Dokument ist verschlüsselt");
    case Status::PartMissing: return QStringLiteral("ein Teil des Dokuments fehlt");
    case Status::PartBroken: return QStringLiteral("ein Teil des Archivs ist beschädigt oder zu groß");
    case Status::BadXml: return QStringLiteral("fehlerhaftes XML");
    case Status::Entities: return QStringLiteral("XML mit Dokumenttyp und Entitäten wird nicht gelesen");
    case Status::TooDeep: return QStringLiteral("Elemente zu tief verschachtelt");
    default: return {};
    }
}

} // namespace guardedxml
