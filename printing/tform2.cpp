#include "tform2.h"

#include "previewcontrol.h"

#include <QComboBox>
#include <QStyleOptionComboBox>
#include <QIcon>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QToolButton>
#include <QVBoxLayout>

const QStringList TForm2::kZooms = {QStringLiteral("10%"), QStringLiteral("20%"), QStringLiteral("30%"), QStringLiteral("35%"),
                                    QStringLiteral("40%"), QStringLiteral("45%"), QStringLiteral("50%"), QStringLiteral("60%"),
                                    QStringLiteral("75%"), QStringLiteral("85%"), QStringLiteral("100%"), QStringLiteral("120%"),
                                    QStringLiteral("150%"), QStringLiteral("200%"), QStringLiteral("300%")};

namespace {

// A picture button: what a screen reader says for it is `name`.
QToolButton* tool(QWidget* parent, const char* icon, const char* name, QRect geometry, bool flat = true)
{
    auto* b = new QToolButton(parent);
    b->setAccessibleName(QString::fromUtf8(name));
    // QIcon draws the disabled state greyed by itself.
    b->setIcon(QIcon(QStringLiteral(":/icons/%1.svg").arg(QLatin1String(icon))));
    b->setIconSize(QSize(16, 16));
    b->setGeometry(geometry);
    b->setAutoRaise(flat);
    return b;
}

// The leading decimal number of a text: blanks skipped, reading stops at the first non-digit; none gives 0.
int leadingDigits(const QString& text)
{
    qsizetype i = 0;
    while (i < text.size() && text[i] == QLatin1Char(' '))
        ++i;
    qint64 v = 0;
    for (; i < text.size() && text[i].isDigit() && text[i].unicode() < 128; ++i)
        v = std::min<qint64>(v * 10 + (text[i].unicode() - u'0'), 1'000'000);
    return int(v);
}

// The width an editable box needs to show the widest zoom whole, with its button and frame.
int zoomBoxWidth(QComboBox* box)
{
    QStyleOptionComboBox option;
    option.initFrom(box);
    option.editable = true;
    const QFontMetrics fm(box->font());
    const QSize text(fm.horizontalAdvance(QStringLiteral("400%")) + 6, fm.height());
    return box->style()->sizeFromContents(QStyle::CT_ComboBox, &option, text, box).width();
}

} // namespace

TForm2::TForm2(std::function<styled::Document()> source, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
    , prev(new PreviewControl(this))
    , Panel1(new QWidget(this))
    , m_source(std::move(source))
    , m_report(this)
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Drucken"));
    setModal(false);
    move(140, 75);
    setFixedSize(502, 453);
    prev->setGeometry(8, 1, 489, 376);
    Panel1->setGeometry(0, 384, 497, 65);
    SpeedButton1 = tool(Panel1, "printsetup", "Druckereinrichtung", {16, 6, 23, 22}, false);
    ComboBox1 = new QComboBox(Panel1);
    ComboBox1->setEditable(true);
    ComboBox1->setInsertPolicy(QComboBox::NoInsert);
    ComboBox1->addItems(kZooms);
    // The zoom box holds "400%" whole in its font: it grows to the left, into
    // the room after the setup button, and everything else stays in place.
    const int zoomWidth = std::clamp(zoomBoxWidth(ComboBox1), 57, 57 + 20);
    ComboBox1->setGeometry(64 + 57 - zoomWidth, 6, zoomWidth, 21);
    ComboBox1->setAccessibleName(QStringLiteral("Zoom"));
    ComboBox1->setCurrentIndex(-1);
    ComboBox1->setEditText(QStringLiteral("40%"));
    sbzi = tool(Panel1, "zoomin", "Vergrößern", {128, 6, 23, 22});
    sbzo = tool(Panel1, "zoomout", "Verkleinern", {152, 6, 23, 22});
    SpeedButton2 = tool(Panel1, "wholepage", "Ganze Seite", {184, 5, 23, 24});
    SpeedButton3 = tool(Panel1, "pagewidth", "Seitenbreite", {208, 5, 23, 24});
    sbzz = tool(Panel1, "firstpage", "Erste Seite", {240, 6, 23, 22});
    sbz = tool(Panel1, "prevpage", "Vorige Seite", {264, 6, 23, 22});
    sbv = tool(Panel1, "nextpage", "Nächste Seite", {288, 6, 23, 22});
    sbvv = tool(Panel1, "lastpage", "Letzte Seite", {312, 6, 23, 22});
    mSeite = new QLineEdit(Panel1);
    mSeite->setReadOnly(true);
    mSeite->setGeometry(344, 6, 105, 20);
    mSeite->setAccessibleName(QStringLiteral("Seite"));
    BitBtn3 = new QPushButton(QIcon(QStringLiteral(":/icons/check.svg")), QStringLiteral("&Drucken"), Panel1);
    BitBtn3->setGeometry(16, 34, 89, 25);
    BitBtn1 = new QPushButton(QIcon(QStringLiteral(":/icons/cross.svg")), QStringLiteral("&Abbruch"), Panel1);
    BitBtn1->setGeometry(110, 34, 83, 25);
    BitBtn1->setAutoDefault(false);
    BitBtn3->setAutoDefault(false);

    connect(SpeedButton1, &QToolButton::clicked, this, &TForm2::SpeedButton1Click);
    connect(ComboBox1->lineEdit(), &QLineEdit::textEdited, this, &TForm2::ComboBox1Change);
    connect(ComboBox1, &QComboBox::activated, this, [this](int index) {
        m_selected = index; // picked by the user
        zo();
    });
    connect(sbzi, &QToolButton::clicked, this, &TForm2::sbziClick);
    connect(sbzo, &QToolButton::clicked, this, &TForm2::sbzoClick);
    connect(SpeedButton2, &QToolButton::clicked, this, &TForm2::SpeedButton2Click);
    connect(SpeedButton3, &QToolButton::clicked, this, &TForm2::SpeedButton3Click);
    connect(sbzz, &QToolButton::clicked, this, &TForm2::sbzzClick);
    connect(sbz, &QToolButton::clicked, this, &TForm2::sbzClick);
    connect(sbv, &QToolButton::clicked, this, &TForm2::sbvClick);
    connect(sbvv, &QToolButton::clicked, this, &TForm2::sbvvClick);
    connect(BitBtn3, &QPushButton::clicked, this, &TForm2::BitBtn3Click);
    connect(BitBtn1, &QPushButton::clicked, this, &TForm2::BitBtn1Click); // Esc rejects, which hides as well
    connect(prev, &PreviewControl::pageAvailable, this, &TForm2::prevPageAvailable);
}

void TForm2::prepare(int itemWidth, const QString& title)
{
    m_report.setItemWidth(itemWidth);
    m_report.setTitle(title);
    prev->setPages(m_report.producePreview(m_source()));
    SpeedButton3Click();
    show();
    raise();
    activateWindow();
}

void TForm2::fullScreenPreview(int itemWidth)
{
    m_report.setItemWidth(itemWidth);
    QDialog window(parentWidget());
    window.setWindowTitle(m_report.title().isEmpty() ? QStringLiteral("Druckvorschau") : m_report.title());
    auto* layout = new QVBoxLayout(&window);
    auto* bar = new QWidget(&window);
    auto* view = new PreviewControl(&window);
    layout->addWidget(bar);
    layout->addWidget(view, 1);
    auto* back = tool(bar, "prevpage", "Vorige Seite", {4, 2, 28, 26});
    auto* next = tool(bar, "nextpage", "Nächste Seite", {34, 2, 28, 26});
    auto* smaller = tool(bar, "zoomout", "Verkleinern", {70, 2, 28, 26});
    auto* larger = tool(bar, "zoomin", "Vergrößern", {100, 2, 28, 26});
    auto* whole = tool(bar, "wholepage", "Ganze Seite", {130, 2, 28, 26});
    auto* print = new QPushButton(QIcon(QStringLiteral(":/icons/check.svg")), QStringLiteral("&Drucken"), bar);
    print->setGeometry(170, 2, 90, 26);
    auto* close = new QPushButton(QIcon(QStringLiteral(":/icons/cross.svg")), QStringLiteral("&Schließen"), bar);
    close->setGeometry(264, 2, 90, 26);
    bar->setFixedHeight(30);
    connect(back, &QToolButton::clicked, view, [view] { view->setPageNumber(view->pageNumber() - 1); });
    connect(next, &QToolButton::clicked, view, [view] { view->setPageNumber(view->pageNumber() + 1); });
    connect(smaller, &QToolButton::clicked, view, [view] { view->setZoom(view->zoom() * 4 / 5); });
    connect(larger, &QToolButton::clicked, view, [view] { view->setZoom(view->zoom() * 5 / 4); });
    connect(whole, &QToolButton::clicked, view, &PreviewControl::zoomToWholePage);
    connect(print, &QPushButton::clicked, &window, [this, &window] { m_report.print(m_source(), &window); });
    connect(close, &QPushButton::clicked, &window, &QDialog::accept);
    report::Report own;
    own.setItemWidth(itemWidth);
    view->setPages(own.producePreview(m_source()));
    window.setWindowState(Qt::WindowMaximized);
    window.setModal(true);
    window.show();
    view->zoomToWidth();
    window.exec();
}

void TForm2::sakt()
{
    const int n = prev->pages() ? prev->pages()->begun() : 0;
    int p = prev->pageNumber();
    if (p > n) {
        prev->setPageNumber(n);
        p = n;
    }
    for (QToolButton* b : {sbzz, sbz, sbv, sbvv})
        b->setEnabled(true);
    if (p == 1) {
        sbzz->setEnabled(false);
        sbz->setEnabled(false);
    }
    if (p == n) {
        sbv->setEnabled(false);
        sbvv->setEnabled(false);
    }
    mSeite->setText(QStringLiteral(" Seite %1 von %2").arg(p).arg(n));
    // The box stays where it is and is as wide as its text, frame and margins included.
    QStyleOptionFrame frame;
    frame.initFrom(mSeite);
    const int text = mSeite->fontMetrics().horizontalAdvance(mSeite->text());
    const int wanted = mSeite->style()->sizeFromContents(QStyle::CT_LineEdit, &frame, QSize(text + 8, 0), mSeite).width();
    mSeite->resize(std::max(105, wanted), mSeite->height());
}

void TForm2::zo()
{
    prev->setZoom(leadingDigits(ComboBox1->currentText()));
    prev->relayout();
}

void TForm2::selectEntry(int index)
{
    m_selected = index;
    ComboBox1->setCurrentIndex(index);
    ComboBox1->setEditText(kZooms[index]);
}

void TForm2::sbziClick()
{
    sbzo->setEnabled(true);
    sbzi->setEnabled(true);
    if (m_selected < int(kZooms.size()) - 1)
        selectEntry(m_selected + 1);
    else
        sbzi->setEnabled(false);
    zo();
}

void TForm2::sbzoClick()
{
    sbzo->setEnabled(true);
    sbzi->setEnabled(true);
    if (m_selected <= 0)
        sbzo->setEnabled(false);
    else
        selectEntry(m_selected - 1);
    zo();
}

void TForm2::SpeedButton2Click()
{
    prev->zoomToWholePage();
    ComboBox1->setEditText(QString::number(prev->zoom()) + QLatin1Char('%'));
}

void TForm2::SpeedButton3Click()
{
    prev->zoomToWidth();
    ComboBox1->setEditText(QString::number(prev->zoom()) + QLatin1Char('%'));
}

void TForm2::sbzzClick()
{
    prev->setPageNumber(1);
    sakt();
}

void TForm2::sbzClick()
{
    prev->setPageNumber(prev->pageNumber() - 1);
    sakt();
}

void TForm2::sbvClick()
{
    prev->setPageNumber(prev->pageNumber() + 1);
    sakt();
}

void TForm2::sbvvClick()
{
    prev->setPageNumber(prev->pages() ? prev->pages()->begun() : 1);
    sakt();
}

void TForm2::SpeedButton1Click() { m_report.printerSetup(this, QStringLiteral("OK")); }

void TForm2::BitBtn3Click() { m_report.print(m_source(), this); }
