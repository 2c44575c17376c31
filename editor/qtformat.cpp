#include "qtformat.h"

#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>
#include <QHash>
#include <QMutex>
#include <QSet>
#include <QTextBlock>
#include <QTextCursor>

#include <algorithm>
#include <utility>
#include <vector>
#include <cmath>

namespace qtformat {

namespace {

// The document's own font name, where Qt is given another one to draw with.
constexpr int kDocumentFamily = QTextFormat::UserProperty + 1;
// Names of fonts the system lacks that are each looked up for what stands in for them.
constexpr int kLookedUp = 256;

QString displayFamily(const QString& family)
{
    static QMutex lock;
    static QSet<QString> installed;
    static QHash<QString, QString> standIns;
    static QString lastStandIn;
    QMutexLocker locker(&lock);
    if (installed.isEmpty()) {
        const QStringList families = QFontDatabase::families();
        installed = QSet<QString>(families.cbegin(), families.cend());
        installed.insert(QString::fromLatin1(styled::kDefaultFont));
    }
    if (installed.contains(family))
        return family;
    const auto it = standIns.constFind(family);
    if (it != standIns.constEnd())
        return *it;
    // Finding what stands in for a missing font asks the system's font
    // configuration each time (a fifth of a millisecond); a document of
    // thousands of such fonts draws the rest in the last one found.
    if (standIns.size() >= kLookedUp)
        return lastStandIn;
    lastStandIn = QFontInfo(QFont(family)).family();
    standIns.insert(family, lastStandIn);
    return lastStandIn;
}

} // namespace

void setFamily(QTextCharFormat& f, const QString& family)
{
    const QString shown = displayFamily(family);
    f.setFontFamilies(QStringList{shown});
    // The single family as well: Qt hashes a format's list of families to one
    // value for every list, so that documents of many fonts would put every
    // format in one bucket of its format collection (40,000 fonts: 36 s).
    f.setProperty(QTextFormat::FontFamily, shown);
    // Always set, so that a merge replaces an earlier one.
    f.setProperty(kDocumentFamily, shown == family ? QString() : family);
}

int pointsOf(const QFont& font)
{
    if (font.pixelSize() > 0)
        return font.pixelSize() * 72 / 96;
    return int(std::lround(font.pointSizeF()));
}

Qt::Alignment visualAlignment(int alignment)
{
    switch (alignment) {
    case styled::AlignRight: return Qt::AlignRight | Qt::AlignAbsolute;
    case styled::AlignCentre: return Qt::AlignHCenter;
    default: return Qt::AlignLeft | Qt::AlignAbsolute;
    }
}

QTextBlockFormat blockFormat(int alignment)
{
    QTextBlockFormat f;
    f.setAlignment(visualAlignment(alignment));
    return f;
}

int alignmentOf(const QTextBlockFormat& f)
{
    const Qt::Alignment a = f.alignment() & Qt::AlignHorizontal_Mask;
    if (a & Qt::AlignRight)
        return styled::AlignRight;
    if (a & Qt::AlignHCenter)
        return styled::AlignCentre;
    return styled::AlignLeft; // justified text reads as left
}

QString familyOf(const QTextCharFormat& f, const QFont& fallback)
{
    const QString own = f.stringProperty(kDocumentFamily);
    if (!own.isEmpty())
        return own;
    const QStringList families = f.fontFamilies().toStringList();
    if (!families.isEmpty() && !families.first().isEmpty())
        return families.first();
    return fallback.family();
}

styled::CharFormat toModel(const QTextCharFormat& f, const QFont& defaultFont)
{
    styled::CharFormat out;
    out.font = familyOf(f, defaultFont);
    if (f.hasProperty(QTextFormat::FontPointSize) && f.fontPointSize() > 0)
        out.size = int(std::lround(f.fontPointSize()));
    else if (f.hasProperty(QTextFormat::FontPixelSize) && f.intProperty(QTextFormat::FontPixelSize) > 0)
        out.size = f.intProperty(QTextFormat::FontPixelSize) * 72 / 96;
    else
        out.size = pointsOf(defaultFont);
    out.style = 0;
    if (f.hasProperty(QTextFormat::FontWeight) ? f.fontWeight() >= QFont::Bold : defaultFont.bold())
        out.style |= styled::Bold;
    if (f.hasProperty(QTextFormat::FontItalic) ? f.fontItalic() : defaultFont.italic())
        out.style |= styled::Italic;
    if (f.hasProperty(QTextFormat::FontUnderline) || f.hasProperty(QTextFormat::TextUnderlineStyle) ? f.fontUnderline()
                                                                                                     : defaultFont.underline())
        out.style |= styled::Underline;
    if (f.hasProperty(QTextFormat::FontStrikeOut) ? f.fontStrikeOut() : defaultFont.strikeOut())
        out.style |= styled::StrikeOut;
    return out;
}

QTextCharFormat toQt(const styled::CharFormat& format)
{
    QTextCharFormat f;
    setFamily(f, format.font);
    // 14 points stay the document's own 19 pixels, as typed text has them.
    if (format.size != styled::kDefaultSize)
        f.setFontPointSize(std::max(format.size, 1));
    f.setFontWeight((format.style & styled::Bold) ? QFont::Bold : QFont::Normal);
    f.setFontItalic(format.style & styled::Italic);
    f.setFontUnderline(format.style & styled::Underline);
    f.setFontStrikeOut(format.style & styled::StrikeOut);
    return f;
}

void insertModel(QTextCursor& c, const styled::Document& d)
{
    Q_ASSERT(!d.paragraphs.isEmpty());
    // Documents use few formats many times: each is converted once.
    std::vector<std::pair<styled::CharFormat, QTextCharFormat>> known;
    auto qtFormat = [&](const styled::CharFormat& f) -> const QTextCharFormat& {
        for (const auto& k : known)
            if (k.first == f)
                return k.second;
        if (known.size() >= 16)
            known.erase(known.begin());
        known.emplace_back(f, toQt(f));
        return known.back().second;
    };
    QTextCharFormat last = c.charFormat();
    for (qsizetype i = 0; i < d.paragraphs.size(); ++i) {
        const styled::Paragraph& p = d.paragraphs[i];
        if (i > 0)
            c.insertBlock(blockFormat(p.alignment), p.runs.isEmpty() ? last : qtFormat(p.runs.first().format));
        else if (c.block().length() == 1)
            c.setBlockFormat(blockFormat(p.alignment)); // an empty paragraph takes the first one's alignment
        for (const styled::Run& r : p.runs) {
            last = qtFormat(r.format);
            c.insertText(r.text, last);
        }
    }
}

} // namespace qtformat
