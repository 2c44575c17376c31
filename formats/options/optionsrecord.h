#pragma once

#include "parseresult.h"

#include <QByteArray>
#include <QString>

#include <array>

// The options file "option.dat": one record of exactly 102 bytes.
//   0..6   seven switches, 0 off, anything else on: word wrap, tabs, ruler,
//          fixed width, match case, whole word, in the whole text
//   7..19  reserved, written back as read
//   20     open directory: length byte (0..40) and 40 characters
//   61     save directory: the same
// Storing a directory writes only its length byte and characters: the bytes
// behind them keep what stood there.
namespace options {

constexpr int kRecordSize = 102;
constexpr int kSwitches = 7;
constexpr int kOpenDirOffset = 20;
constexpr int kSaveDirOffset = 61;
constexpr int kDirCapacity = 40;

enum Switch { WordWrap, Tabs, Ruler, FixedWidth, MatchCase, WholeWord, WholeText };

// How reading went.
enum class Status {
    Ok,
    TooShort, // fewer than 102 bytes: nothing was taken
};
bool isSuccess(Status status);
QString describe(Status status, qint64 offset); // "Versuch hinter dem Dateiende zu lesen"
using ReadResult = ParseResult<Status>;

class Record {
public:
    Record(); // all zero, as before anything is read
    // Exactly the first 102 bytes of a file; nothing is taken from a shorter one.
    ReadResult read(const QByteArray& file);
    const QByteArray& bytes() const { return m_bytes; }

    bool switchOn(Switch s) const { return m_bytes[s] != 0; }
    void setSwitch(Switch s, bool on) { m_bytes[s] = on ? 1 : 0; }

    // A length byte above 40 reads as 40.
    QString directory(int offset) const;
    // The first 40 characters, in the 8-bit code table.
    void setDirectory(int offset, const QString& directory);

private:
    QByteArray m_bytes;
};

} // namespace options
