#pragma once

#include <QByteArray>

#include <cstdint>
#include <cstdlib>

// What a reader of another program's documents gives for any bytes: a
// document of at least one paragraph, or a refusal that says why.
template <class Result>
int checkDocumentRead(const Result& r)
{
    if (!r.ok()) {
        if (r.message().isEmpty())
            std::abort();
        return 0;
    }
    if (r.document.paragraphs.isEmpty())
        std::abort();
    return 0;
}

inline QByteArray fuzzBytes(const std::uint8_t* data, std::size_t size)
{
    return QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
}
