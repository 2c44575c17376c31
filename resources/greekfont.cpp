#include "greekfont.h"

#include <QFontDatabase>

namespace resources {

QStringList registerGreekFont()
{
    QStringList failed;
    for (const char* style : {"Regular", "Bold", "Italic", "BoldItalic"}) {
        const QString path = QStringLiteral(":/fonts/Greek-%1.ttf").arg(QLatin1String(style));
        if (QFontDatabase::addApplicationFont(path) < 0)
            failed << path;
    }
    return failed;
}

} // namespace resources
