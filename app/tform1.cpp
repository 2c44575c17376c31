#include "tform1.h"

#include "composer.h"
#include "richtextsurface.h"

#include <QComboBox>
#include <QDir>
#include <QFontDatabase>
#include <QLineEdit>
#include <QTextEdit>
#include <QToolBar>

TForm1::TForm1(QWidget* parent)
    : QMainWindow(parent)
    , m_txt(new RichTextSurface(this))
    , m_fbox(new QComboBox(this))
    , m_pipeline(*m_txt, m_state, [this] { return m_fbox->currentText(); })
{
    setWindowTitle(QStringLiteral("Stilora"));
    setGeometry(58, 69, 724, 348);

    auto* central = new QWidget(this);
    setCentralWidget(central);
    m_txt->widget()->setParent(central);
    m_txt->widget()->setGeometry(3, 88, 706, 195);
    m_fbox->setParent(central);
    m_fbox->setEditable(true);
    m_fbox->setInsertPolicy(QComboBox::NoInsert);
    m_fbox->setGeometry(0, 2, 153, 24);

    connect(m_txt, &RichTextSurface::changed, this, &TForm1::txtChange);
    FormCreate();
}

TForm1::~TForm1() = default;

void TForm1::FormCreate()
{
    m_state.LegacyFormat = false;
}

void TForm1::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!m_shown) {
        m_shown = true;
        FormShow();
    }
}

void TForm1::FormShow()
{
    m_state.OptionsPath = QDir::current().filePath(QStringLiteral("option.dat"));
    m_state.ComposeArmed = true;
    m_txt->clearAll();
    m_fbox->clear();
    m_fbox->addItems(QFontDatabase::families());
    m_fbox->setEditText(QStringLiteral("Greek"));
    m_state.LoadingDocument = false;
    m_txt->setFocus();
}

void TForm1::txtChange(const surface::TextChange& change)
{
    m_pipeline.txtChange(change);
}

void TForm1::Sonderzeichen(bool latinVowelFresh)
{
    greek::Sonderzeichen(m_state, latinVowelFresh);
}
