#pragma once

#include <QString>

// How a reader of bytes went, one shape for every codec, in the manner of
// pugixml's parse result: a status, the byte offset where reading stopped
// (or where the damage begins), and the German message derived from the
// status. Each codec names its statuses in an enum of its own namespace and
// says there which are a success (isSuccess) and what each means (describe).
template <class Status>
struct ParseResult {
    Status status{};
    qint64 offset = 0;

    bool ok() const { return isSuccess(status); }
    // German; empty for a plain success.
    QString message() const { return describe(status, offset); }
};
