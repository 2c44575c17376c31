#include "deadkeylayer.h"
#include "greekfont.h"
#include "tform1.h"

#include <QApplication>
#include <QMessageBox>

int main(int argc, char* argv[])
{
    DeadKeyLayer::disableSystemInputMethod();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Stilora"));
    const QStringList missing = resources::registerGreekFont();
    DeadKeyLayer::install();

    TForm1 form;
    form.show();
    if (!missing.isEmpty())
        QMessageBox::critical(&form, QStringLiteral("Stilora"),
                              QStringLiteral("Die Schrift \"Greek\" konnte nicht geladen werden."));
    return app.exec();
}
