#include "greeklayout.h"

#include <QString>

#include <algorithm>
#include <array>
#include <utility>

namespace greeklayout {
namespace {

struct Entry {
    unsigned char code;
    char16_t unicode;
};

constexpr Entry kEntries[] = {
#include "greeklayout_table.inc"
};

// Unicode to code, sorted by Unicode; the ano teleia also under its NFC form,
// the middle dot, which word processors write instead.
struct ByUnicode {
    std::array<std::pair<char16_t, unsigned char>, std::size(kEntries) + 1> items{};
    ByUnicode()
    {
        std::size_t n = 0;
        for (const Entry& e : kEntries) {
            items[n++] = {e.unicode, e.code};
            if (e.unicode == 0x0387)
                items[n++] = {0x00B7, e.code};
        }
        std::sort(items.begin(), items.begin() + n);
        count = n;
    }
    std::size_t count = 0;
};

const ByUnicode& byUnicode()
{
    static const ByUnicode table;
    return table;
}

} // namespace

std::optional<char16_t> unicodeOf(unsigned char code)
{
    // By code, 0 where the code shows no Greek character.
    static const std::array<char16_t, 256> byCode = [] {
        std::array<char16_t, 256> t{};
        for (const Entry& e : kEntries)
            t[e.code] = e.unicode;
        return t;
    }();
    if (const char16_t u = byCode[code])
        return u;
    return std::nullopt;
}

std::optional<unsigned char> codeOf(char16_t unicode)
{
    const ByUnicode& t = byUnicode();
    const auto end = t.items.begin() + t.count;
    const auto it = std::lower_bound(t.items.begin(), end, std::pair<char16_t, unsigned char>{unicode, 0});
    if (it != end && it->first == unicode)
        return it->second;
    // A letter with oxia is the same letter as with tonos, which the layout names.
    const QString nfc = QString(QChar(unicode)).normalized(QString::NormalizationForm_C);
    if (nfc.size() == 1 && nfc[0].unicode() != unicode)
        return codeOf(nfc[0].unicode());
    return std::nullopt;
}

} // namespace greeklayout
