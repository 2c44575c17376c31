// The options record on any bytes: it must not crash; a record it takes is
// the file's first 102 bytes, its directories are at most 40 characters and
// come back as they were stored, and storing them touches no other byte.
#include "optionsrecord.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray file(reinterpret_cast<const char*>(data), qsizetype(size));
    options::Record r;
    const QByteArray empty = r.bytes();
    if (!r.read(file).ok()) {
        if (file.size() >= options::kRecordSize || r.bytes() != empty)
            std::abort(); // a short file is refused and leaves the record as it was
        return 0;
    }
    if (r.bytes() != file.left(options::kRecordSize))
        std::abort();
    for (int offset : {options::kOpenDirOffset, options::kSaveDirOffset}) {
        const QString dir = r.directory(offset);
        if (dir.size() > options::kDirCapacity)
            std::abort();
        const QByteArray before = r.bytes();
        r.setDirectory(offset, dir);
        if (r.directory(offset) != dir || r.bytes().size() != options::kRecordSize)
            std::abort();
        for (int i = 0; i < options::kRecordSize; ++i)
            if ((i < offset || i > offset + options::kDirCapacity) && r.bytes()[i] != before[i])
                std::abort();
    }
    for (int s = 0; s < options::kSwitches; ++s) {
        const bool on = r.switchOn(options::Switch(s));
        r.setSwitch(options::Switch(s), !on);
        if (r.switchOn(options::Switch(s)) == on)
            std::abort();
    }
    return 0;
}
