#include "qtseams.h"

#include "placement.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QGridLayout>
#include <QMessageBox>
#include <QProcess>
#include <QShortcut>
#include <QTextBrowser>
#include <QUrl>

namespace {

// "Text|*.a|Text|*.b" as Qt's filter list: each display text with its
// pattern for Qt to read; the dialog shows the display text alone, so that a
// text that names its pattern itself does not show it twice.
QStringList qtFilters(const QString& filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
        out << parts[i] + QStringLiteral(" (") + parts[i + 1] + QLatin1Char(')');
    return out;
}

// The extension of a filter's pattern: "*.odt" gives ".odt".
QString extensionOf(const QString& qtFilter)
{
    const qsizetype open = qtFilter.lastIndexOf(QLatin1Char('('));
    QString pattern = qtFilter.mid(open + 1).chopped(1).section(QLatin1Char(' '), 0, 0);
    pattern.remove(QLatin1Char('*'));
    return pattern;
}

// The entry (from 1) the dialog's chosen filter is. With the details hidden,
// Qt gives the filter back without its pattern.
int entryOf(const QStringList& qtFilters, const QString& chosen)
{
    for (qsizetype i = 0; i < qtFilters.size(); ++i) {
        const QString& f = qtFilters[i];
        if (chosen == f || chosen == f.left(f.lastIndexOf(QStringLiteral(" ("))))
            return int(i) + 1;
    }
    return 1;
}

FileDialogAnswer runFileDialog(QWidget* parent, const FileDialogRequest& r, bool save)
{
    QFileDialog dialog(parent);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    const QStringList filters = qtFilters(r.filter);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setNameFilters(filters);
    if (r.filterIndex >= 1 && r.filterIndex <= filters.size())
        dialog.selectNameFilter(filters[r.filterIndex - 1]);
    if (!r.caption.isEmpty())
        dialog.setWindowTitle(r.caption);
    // A name typed without an extension gets the chosen entry's; the commands add it.
    // A start directory that no longer exists (or was cut at 40 characters)
    // gives way to the nearest existing one above it.
    const QString start = existingStartDirectory(r.startDirectory);
    if (!start.isEmpty())
        dialog.setDirectory(start);
    if (!r.suggestedName.isEmpty()) {
        dialog.selectFile(r.suggestedName);
        // The suggested name follows the chosen entry's extension.
        QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& chosen) {
            auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            if (!name || name->text().isEmpty())
                return;
            const QString text = name->text();
            const qsizetype dot = text.lastIndexOf(QLatin1Char('.'));
            name->setText((dot > 0 ? text.left(dot) : text) + extensionOf(chosen));
        });
    }
    FileDialogAnswer answer;
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return answer;
    answer.accepted = true;
    answer.path = dialog.selectedFiles().first();
    answer.filterIndex = entryOf(filters, dialog.selectedNameFilter());
    return answer;
}

} // namespace

QString existingStartDirectory(const QString& directory)
{
    QString path = directory;
    while (!path.isEmpty() && !QFileInfo(path).isDir()) {
        const QString parent = QFileInfo(path).path();
        path = parent == path ? QString() : parent;
    }
    return path;
}

namespace {

// A short message ("3 Stellen ersetzt.") makes a narrow box, and the window
// manager cuts its caption to "A… g!": the box is at least as wide as the
// caption in a title bar's larger, bold font with the title bar's buttons.
void fitCaption(QMessageBox& box)
{
    QFont title = box.font();
    title.setBold(true);
    title.setPointSizeF(title.pointSizeF() > 0 ? title.pointSizeF() * 1.5 : 14);
    const int width = QFontMetrics(title).horizontalAdvance(box.windowTitle()) + 160;
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
        grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Fixed), grid->rowCount(), 0, 1,
                      grid->columnCount());
}

} // namespace

bool QtDialogs::question(QWidget* parent, const QString& text)
{
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Achtung!"), text, QMessageBox::Yes | QMessageBox::No, parent);
    fitCaption(box);
    return box.exec() == QMessageBox::Yes;
}

Dialogs::Answer QtDialogs::questionWithCancel(QWidget* parent, const QString& text)
{
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Achtung!"), text,
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, parent);
    fitCaption(box);
    box.setDefaultButton(QMessageBox::Yes);
    switch (box.exec()) {
    case QMessageBox::Yes: return Answer::Yes;
    case QMessageBox::No: return Answer::No;
    default: return Answer::Cancel;
    }
}

void QtDialogs::notice(QWidget* parent, const QString& text)
{
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Achtung!"), text, QMessageBox::Ok, parent);
    fitCaption(box);
    box.exec();
}

void QtDialogs::errorBox(QWidget* parent, const QString& text)
{
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Stilora"), text, QMessageBox::Ok, parent);
    fitCaption(box);
    box.exec();
}

FileDialogAnswer QtDialogs::openFile(QWidget* parent, const FileDialogRequest& request)
{
    return runFileDialog(parent, request, false);
}

FileDialogAnswer QtDialogs::saveFile(QWidget* parent, const FileDialogRequest& request)
{
    return runFileDialog(parent, request, true);
}

void QtShell::open(const QString& target)
{
    const QUrl url(target);
    if (url.scheme().startsWith(QLatin1String("http")))
        QDesktopServices::openUrl(url);
    else
        QProcess::startDetached(target, {});
}

void QtHelp::showContents(const QString& helpFile, QWidget* owner)
{
    Q_UNUSED(helpFile); // "sthilfe.hlp", "sthilfe" and the application's file all name the bundled help
    const bool created = !m_window;
    if (created) {
        m_window = new QTextBrowser(owner ? owner->window() : nullptr);
        m_window->setWindowFlag(Qt::Window);
        m_window->setWindowTitle(QStringLiteral("Stilora – Hilfe"));
        m_window->setAttribute(Qt::WA_DeleteOnClose);
        m_window->resize(640, 560);
        m_window->setOpenExternalLinks(false);
        auto* close = new QShortcut(QKeySequence(Qt::Key_Escape), m_window);
        QObject::connect(close, &QShortcut::activated, m_window, &QWidget::close);
    }
    m_window->setSource(QUrl(QString::fromLatin1(kContents)));
    m_window->show();
    if (created) // once shown, with its frame, so that all of it stays on the screen
        placeBeside(m_window, owner ? owner->window() : nullptr);
    m_window->raise();
    m_window->activateWindow();
}
