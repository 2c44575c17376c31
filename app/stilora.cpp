#include "stilora.h"

#include "programsettings.h"

#include "accessibletext.h"
#include "atomicfiles.h"
#include "charmapwindow.h"

#include "deadkeylayer.h"
#include "greekfont.h"
#include "politeend.h"
#include "qtseams.h"
#include "richtextsurface.h"
#include "tform2.h"
#include "tinfo.h"
#include "tsuchen.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <QUrl>

void installGermanTranslations(QApplication& app)
{
    auto* qt = new QTranslator(&app);
    if (qt->load(QStringLiteral("qtbase_de"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(qt);
}

QStringList namedFiles(const QStringList& arguments)
{
    QStringList files;
    for (const QString& a : arguments) {
        if (a.isEmpty())
            continue;
        if (!a.startsWith(QLatin1String("file:"))) {
            files << a;
            continue;
        }
        // The path of a file address is bytes, percent-encoded: any bytes, UTF-8 or not.
        const QUrl url(a);
        files << decodePath(QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()));
    }
    return files;
}

Stilora::Stilora(const Seams& seams)
{
    // The main window is visible in its form: it shows, and runs its first
    // show, before the next window is created.
    Form1 = new TForm1(seams);
    Form1->show();

    suchen = new Tsuchen(Form1);
    Form1->attachSearch(suchen);
    // The search dialog's creation reads the options file and applies it; when
    // the file cannot be read the error box says so and the rest is skipped.
    Form1->guard().run([this] {
        Form1->OptRead();
        Form1->tit();
        Form1->options();
    });

    info = new Tinfo(Form1);
    // The preview's report takes the main window's editor as the source of its text.
    Form2 = new TForm2([form = Form1] { return form->txt().snapshot(); }, Form1);
    Form1->attach(info, Form2);
}

Stilora::~Stilora() { delete Form1; }

int runStilora(int argc, char* argv[], const std::function<bool(Stilora&)>& started)
{
    DeadKeyLayer::disableSystemInputMethod();
    QApplication app(argc, argv);
    // No display name: Qt would append it to every window caption on X11.
    QApplication::setApplicationName(QStringLiteral("Stilora"));
    installGermanTranslations(app);
    // Screen readers get the Greek as Unicode from the editor, the fields and the character map.
    accessibletext::install();
    CharMapWindow::installAccessibility();
    const QStringList missing = resources::registerGreekFont();
    DeadKeyLayer::install();

    QtDialogs dialogs;
    QtShell shell;
    QtHelp help;
    Stilora program(Seams{dialogs, shell, help});
    if (!missing.isEmpty())
        dialogs.errorBox(program.Form1, QStringLiteral("Die Schrift \"Greek\" konnte nicht geladen werden."));
    program.Form1->useSettings(ProgramSettings::defaultPath());
    // Shown, options read: now a copy that a crash left is offered.
    program.Form1->startRecovery(recovery::Store::defaultFolder());
    // A file named at start (the file manager's way of opening) comes last,
    // after anything restored has been offered, which would be asked about.
    // The names as their bytes, as the converter takes them: Qt's own
    // arguments decode a name that is not UTF-8 into another name.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << decodePath(argv[i]);
    program.Form1->openFiles(namedFiles(arguments));
    // Asked to end from outside: what was typed goes into a last recovery
    // copy, and the program ends without a question (nobody may be there to
    // answer); the copy is offered at the next start.
    PoliteEnd politeEnd;
    QObject::connect(&politeEnd, &PoliteEnd::requested, program.Form1, [&program] {
        program.Form1->endFromOutside();
        QCoreApplication::exit(0);
    });
    if (started && !started(program))
        return 0;
    return app.exec();
}
