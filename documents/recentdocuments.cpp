#include "recentdocuments.h"

#include "atomicfiles.h"

#include "documentkind.h"
#include "paircodec.h"

#include <QDir>
#include <QFileInfo>

namespace {

constexpr int kLongestCaption = 60; // characters of the path a menu item shows

} // namespace

RecentDocuments::RecentDocuments(const QStringList& paths)
{
    // Read back in order, so that a later duplicate does not push an earlier one out.
    for (auto it = paths.rbegin(); it != paths.rend(); ++it)
        if (!it->isEmpty() && QDir::isAbsolutePath(*it))
            add(*it);
}

QString RecentDocuments::keyOf(const QString& path)
{
    // The two files of a pair are one document.
    const QString clean = QDir::cleanPath(path);
    return DocumentKind::ofFile(clean).onPairNames() ? QStringLiteral("pair:") + pair::basePathOf(clean)
                                                     : QStringLiteral("rtf:") + clean;
}

void RecentDocuments::add(const QString& path)
{
    const QString absolute = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    remove(absolute);
    m_paths.prepend(absolute);
    while (m_paths.size() > kLimit)
        m_paths.removeLast();
}

void RecentDocuments::remove(const QString& path)
{
    const QString key = keyOf(QFileInfo(path).absoluteFilePath());
    m_paths.removeIf([&](const QString& p) { return keyOf(p) == key; });
}

bool RecentDocuments::available(const QString& path)
{
    const DocumentKind kind = DocumentKind::ofFile(path);
    // The pair's text file decides; its attribute file may be missing.
    return isRegularFile(kind.onPairNames() ? kind.fileOf(pair::basePathOf(path)) : path);
}

QString RecentDocuments::caption(int index, const QString& path)
{
    QString shown = QDir::toNativeSeparators(path);
    if (shown.size() > kLongestCaption) {
        // The start of the path and the file name stay; the middle goes.
        const int keep = kLongestCaption - 3;
        const QString name = QFileInfo(path).fileName();
        const int tail = std::max<int>(int(name.size()), keep / 2);
        shown = shown.left(std::max(keep - tail, 3)) + QStringLiteral("...") + shown.right(std::min<int>(tail, int(shown.size())));
    }
    shown.replace(QLatin1Char('&'), QStringLiteral("&&"));
    return QLatin1Char('&') + QString::number(index + 1) + QLatin1Char(' ') + shown;
}
