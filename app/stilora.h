#pragma once

#include "tform1.h"

class QApplication;
class TForm2;
class Tinfo;
class Tsuchen;

#include <QStringList>

#include <functional>

// The program: application settings, fonts, the dead-key layer, the windows,
// then the event loop. `started`, when given, is called once the main window
// has been shown; it returns whether to run the event loop.
int runStilora(int argc, char* argv[], const std::function<bool(class Stilora&)>& started = {});

// The files named on the command line (paths, or file: addresses as some
// desktops hand them on); Qt's own options are gone from them already.
QStringList namedFiles(const QStringList& arguments);

// Qt's own texts (buttons, file dialogs) in German.
void installGermanTranslations(QApplication& app);

// The program's windows, created once, in this order, and kept until the end.
class Stilora {
public:
    explicit Stilora(const Seams& seams);
    ~Stilora();

    TForm1* Form1;
    Tsuchen* suchen;
    Tinfo* info;
    TForm2* Form2;
};
