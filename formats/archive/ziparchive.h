#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

// The parts of a zip archive (DOCX, ODT) read with limits, for files of
// other programs' making: a part is read by its exact name, never unpacked
// onto the disk, and never beyond what its size and compression allow, so
// that a zip bomb or a lying header costs no more than the limit.
namespace ziparchive {

constexpr qint64 kMaxPart = 512ll * 1024 * 1024; // bytes a part may unpack to
constexpr qint64 kMaxRatio = 1000;               // and times its packed size, beyond 1 MiB

enum class Status {
    Ok,
    NotZip,        // no zip archive at all
    Missing,       // the archive has no part of that name
    Duplicated,    // two parts of that name: which one is meant is not known
    Encrypted,     // the part is encrypted
    TooLarge,      // it unpacks to more than the limits allow
    Damaged,       // the archive's structure or the part's data is broken
};

struct Part {
    Status status = Status::Ok;
    QByteArray bytes;
};

class Reader {
public:
    explicit Reader(const QByteArray& file);
    ~Reader();
    bool isZip() const;
    bool contains(const QString& name) const;
    Part read(const QString& name) const;

private:
    struct Impl;
    std::unique_ptr<Impl> m;
};

// German: "Teil word/document.xml fehlt", ...
QString describe(Status status, const QString& part);

} // namespace ziparchive
