#pragma once

class AnchorLayout;
class ChoiceBox;
class FontBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QStatusBar;
class QToolButton;
class QWidget;

// The main window's controls, named as the form names them.
struct Form1Controls {
    QWidget* ToolBar1 = nullptr;
    ChoiceBox* grbox = nullptr;
    QPushButton *BitBtn10 = nullptr, *BitBtn11 = nullptr, *BitBtn12 = nullptr, *BitBtn5 = nullptr;
    QWidget* Panel1 = nullptr;
    QPushButton *BitBtn1 = nullptr, *BitBtn2 = nullptr, *BitBtn3 = nullptr, *BitBtn4 = nullptr, *BitBtn6 = nullptr,
                *BitBtn7 = nullptr, *BitBtn8 = nullptr, *BitBtn9 = nullptr;
    QToolButton *sbl = nullptr, *sbm = nullptr, *sbr = nullptr;
    QWidget* Panel2 = nullptr;
    QProgressBar* pb1 = nullptr;
    QLabel* lineal = nullptr;
    QStatusBar* StatusBar1 = nullptr;
};

// Builds the controls at their places on `client`, laid out for the form's
// client size, with the anchors the form gives them; the font box and the
// editor exist already and are put at theirs.
void buildForm1Controls(Form1Controls& c, QWidget* client, AnchorLayout& anchors, FontBox* fbox, QWidget* editor);
