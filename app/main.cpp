#include "deadkeylayer.h"
#include "greekfont.h"
#include "qtseams.h"
#include "stilora.h"

#include <QApplication>
#include <QMessageBox>

int main(int argc, char* argv[])
{
    DeadKeyLayer::disableSystemInputMethod();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Stilora"));
    QApplication::setApplicationDisplayName(QStringLiteral("Stilora"));
    installGermanTranslations(app);
    const QStringList missing = resources::registerGreekFont();
    DeadKeyLayer::install();

    QtDialogs dialogs;
    QtShell shell;
    QtHelp help;
    Stilora program(Seams{dialogs, shell, help});
    if (!missing.isEmpty())
        dialogs.errorBox(program.Form1, QStringLiteral("Die Schrift \"Greek\" konnte nicht geladen werden."));
    return app.exec();
}
