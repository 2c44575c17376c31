#include "rtfkeywords.h"

#include <algorithm>
#include <iterator>

namespace rtf {

namespace {

struct Entry {
    const char* name;
    Keyword keyword;
};

using K = Keyword;

// Sorted by name (byte order), as the binary search needs: the compiler checks it.
constexpr Entry kTable[] = {
    {"annotation", K::Annotation},
    {"ansi", K::Ansi},
    {"ansicpg", K::AnsiCodePage},
    {"atnauthor", K::SkipDestination},
    {"atnid", K::SkipDestination},
    {"author", K::SkipDestination},
    {"b", K::Bold},
    {"bkmkend", K::SkipDestination},
    {"bkmkstart", K::SkipDestination},
    {"bullet", K::Bullet},
    {"buptim", K::SkipDestination},
    {"cell", K::Cell},
    {"cf", K::Colour},
    {"chftn", K::FootnoteNumber},
    {"colorschememapping", K::SkipDestination},
    {"colortbl", K::SkipDestination},
    {"comment", K::SkipDestination},
    {"cpg", K::FontCodePage},
    {"creatim", K::SkipDestination},
    {"datastore", K::SkipDestination},
    {"deff", K::DefaultFont},
    {"doccomm", K::SkipDestination},
    {"docvar", K::SkipDestination},
    {"emdash", K::EmDash},
    {"endash", K::EnDash},
    {"f", K::Font},
    {"falt", K::SkipDestination},
    {"fcharset", K::FontCharset},
    {"filetbl", K::SkipDestination},
    {"fldinst", K::SkipDestination},
    {"fonttbl", K::FontTable},
    {"footer", K::HeaderFooter},
    {"footerf", K::HeaderFooter},
    {"footerl", K::HeaderFooter},
    {"footerr", K::HeaderFooter},
    {"footnote", K::Footnote},
    {"fs", K::FontSize},
    {"ftncn", K::SkipDestination},
    {"ftnsep", K::SkipDestination},
    {"ftnsepc", K::SkipDestination},
    {"generator", K::SkipDestination},
    {"header", K::HeaderFooter},
    {"headerf", K::HeaderFooter},
    {"headerl", K::HeaderFooter},
    {"headerr", K::HeaderFooter},
    {"i", K::Italic},
    {"info", K::SkipDestination},
    {"intbl", K::InTable},
    {"keywords", K::SkipDestination},
    {"latentstyles", K::SkipDestination},
    {"ldblquote", K::LeftDoubleQuote},
    {"line", K::Line},
    {"listoverridetable", K::SkipDestination},
    {"listtable", K::SkipDestination},
    {"listtext", K::SkipDestination},
    {"lquote", K::LeftQuote},
    {"mac", K::Mac},
    {"nonshppict", K::PictureCopy},
    {"object", K::Object},
    {"operator", K::SkipDestination},
    {"panose", K::SkipDestination},
    {"par", K::Par},
    {"pard", K::ParagraphDefault},
    {"pc", K::Pc},
    {"pca", K::Pca},
    {"pgdsctbl", K::SkipDestination},
    {"pict", K::Picture},
    {"plain", K::Plain},
    {"pntext", K::SkipDestination},
    {"pntxta", K::SkipDestination},
    {"pntxtb", K::SkipDestination},
    {"printim", K::SkipDestination},
    {"private", K::SkipDestination},
    {"qc", K::AlignCentre},
    {"qj", K::AlignJustify},
    {"ql", K::AlignLeft},
    {"qr", K::AlignRight},
    {"rdblquote", K::RightDoubleQuote},
    {"revtbl", K::SkipDestination},
    {"revtim", K::SkipDestination},
    {"row", K::Row},
    {"rquote", K::RightQuote},
    {"rsidtbl", K::SkipDestination},
    {"rtf", K::Rtf},
    {"rxe", K::SkipDestination},
    {"shpinst", K::SkipDestination},
    {"sp", K::SkipDestination},
    {"strike", K::Strike},
    {"striked", K::Strike},
    {"stylesheet", K::SkipDestination},
    {"subject", K::SkipDestination},
    {"tab", K::Tab},
    {"tc", K::SkipDestination},
    {"template", K::SkipDestination},
    {"themedata", K::SkipDestination},
    {"title", K::SkipDestination},
    {"txe", K::SkipDestination},
    {"u", K::Unicode},
    {"uc", K::UnicodeSkip},
    {"ul", K::Underline},
    {"uld", K::Underline},
    {"uldash", K::Underline},
    {"uldashd", K::Underline},
    {"uldashdd", K::Underline},
    {"uldb", K::Underline},
    {"ulhwave", K::Underline},
    {"ulldash", K::Underline},
    {"ulnone", K::UnderlineNone},
    {"ulth", K::Underline},
    {"ulthd", K::Underline},
    {"ulthdash", K::Underline},
    {"ulthdashd", K::Underline},
    {"ulthdashdd", K::Underline},
    {"ulthldash", K::Underline},
    {"ululdbwave", K::Underline},
    {"ulw", K::Underline},
    {"ulwave", K::Underline},
    {"userprops", K::SkipDestination},
    {"xe", K::SkipDestination},
    {"xmlnstbl", K::SkipDestination},
};

bool less(QByteArrayView a, QByteArrayView b)
{
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [](char x, char y) { return uchar(x) < uchar(y); });
}

// The names in byte order, strictly: no name twice.
constexpr bool precedes(const char* a, const char* b)
{
    for (;; ++a, ++b) {
        if (*a != *b)
            return static_cast<unsigned char>(*a) < static_cast<unsigned char>(*b);
        if (*a == '\0')
            return false;
    }
}

constexpr bool sorted()
{
    for (std::size_t i = 1; i < std::size(kTable); ++i)
        if (!precedes(kTable[i - 1].name, kTable[i].name))
            return false;
    return true;
}

static_assert(sorted(), "the keyword table must be in byte order for the binary search");

} // namespace

Keyword keyword(QByteArrayView name)
{
    const auto it = std::lower_bound(std::begin(kTable), std::end(kTable), name,
                                     [](const Entry& e, QByteArrayView n) { return less(QByteArrayView(e.name), n); });
    if (it != std::end(kTable) && QByteArrayView(it->name) == name)
        return it->keyword;
    return Keyword::Unknown;
}

} // namespace rtf
