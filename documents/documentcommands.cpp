#include "documentcommands.h"

#include "ioerror.h"
#include "paircodec.h"
#include "richtextsurface.h"
#include "rtfreader.h"
#include "rtfwriter.h"
#include "sharedstate.h"
#include "title.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QProgressBar>
#include <QWidget>

const QString DocumentCommands::kOpenFilter = QStringLiteral(
    "Stilora 1.1 Dateien (*.rtf) - Rich Text Format)|*.rtf|Stilora 1.0 und 1.01 Dateien (*.sri)|*.sri|"
    "Nur Text ohne Format (*.txt)|*.txt");
const QString DocumentCommands::kSaveFilter = QStringLiteral(
    "Stilora 1.1 Datei (*.rtf) - Rich Text Format|*.rtf|Stilora 1.0 und 1.01 Datei (*.sri)|*.sri");
const QString DocumentCommands::kOpenExtension = QStringLiteral("*.rtf");
const QString DocumentCommands::kSaveExtension = QStringLiteral("*.sri");
const QString DocumentCommands::kOverwriteQuestion = QStringLiteral("Soll vorhandene Datei überschrieben werden?");
const QString DocumentCommands::kUnsavedQuestion = QStringLiteral("Der Text wurde geändert. Änderungen speichern?");

namespace {

// The wait cursor while a file is read or written.
class WaitCursor {
public:
    WaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
};

// The progress panel in front of the formatting buttons, the editor hidden;
// everything is as before when the scope ends, whatever happened.
class ProgressScope {
public:
    ProgressScope(const DocumentContext& c, bool loading)
        : m_c(c)
        , m_loading(loading)
    {
        if (m_c.progress)
            m_c.progress->setValue(0);
        if (m_loading)
            m_c.state->LoadingDocument = true;
        if (m_c.progressPanel) {
            m_c.progressPanel->show();
            m_c.progressPanel->raise();
        }
        if (m_loading)
            m_c.txt->setEnabled(false);
        m_c.txt->setVisible(false);
    }
    ~ProgressScope()
    {
        m_c.txt->setEnabled(true);
        m_c.txt->setVisible(true);
        if (m_c.progressPanel)
            m_c.progressPanel->hide();
        if (m_loading)
            m_c.state->LoadingDocument = false;
    }

private:
    const DocumentContext& m_c;
    bool m_loading;
};

bool exists(const QString& path) { return QFileInfo(path).isFile(); }

} // namespace

DocumentCommands::DocumentCommands(const DocumentContext& context)
    : m_c(context)
{
}

QString DocumentCommands::withExtension(const QString& path, const QString& filter, int filterIndex)
{
    if (QFileInfo(path).fileName().contains(QLatin1Char('.')))
        return path;
    const QStringList parts = filter.split(QLatin1Char('|'));
    const qsizetype pattern = qsizetype(filterIndex) * 2 - 1;
    if (filterIndex < 1 || pattern >= parts.size())
        return path;
    QString ext = parts[pattern];
    ext.remove(QLatin1Char('*'));
    return path + ext;
}

void DocumentCommands::showProgress(int percent)
{
    if (!m_c.progress || m_c.progress->value() == percent)
        return;
    m_c.progress->setValue(percent);
    m_c.progress->repaint(); // no event loop runs while a file is read or written
}

bool DocumentCommands::mayDiscard()
{
    if (!m_c.txt->isModified())
        return true;
    switch (m_c.dialogs->questionWithCancel(m_c.window, kUnsavedQuestion)) {
    case Dialogs::Answer::Yes: return save();
    case Dialogs::Answer::No: return true;
    case Dialogs::Answer::Cancel: return false;
    }
    return false;
}

void DocumentCommands::newDocument()
{
    if (!mayDiscard())
        return;
    m_c.state->LegacyFormat = false;
    m_c.txt->clearAll();
    m_c.txt->setModified(false);
    m_c.state->BasePath.clear();
    m_c.tit();
}

void DocumentCommands::open()
{
    if (!mayDiscard())
        return;
    const FileDialogAnswer answer = m_c.dialogs->openFile(m_c.window, {kOpenFilter, kOpenExtension, m_c.state->OpenDir});
    if (!answer.accepted)
        return;
    // The title names the chosen document before anything is read; when
    // reading fails, the document the editor still holds is named again, so
    // that a later Save cannot write it over the file that failed to open.
    const QString oldBase = m_c.state->BasePath;
    const bool oldLegacy = m_c.state->LegacyFormat;
    m_c.state->BasePath = pair::basePathOf(answer.path);
    m_c.tit();
    WaitCursor wait;
    try {
        if (answer.filterIndex == 1) {
            m_c.state->LegacyFormat = false;
            loadRtf(answer.path);
        } else {
            m_c.state->LegacyFormat = true;
            readPair();
        }
    } catch (...) {
        m_c.state->BasePath = oldBase;
        m_c.state->LegacyFormat = oldLegacy;
        m_c.tit();
        throw;
    }
    m_c.txt->setSelStart(0);
    m_c.txt->setFocus();
}

bool DocumentCommands::save()
{
    if (!m_c.state->BasePath.isEmpty())
        return speich();
    return saveAs();
}

bool DocumentCommands::saveAs()
{
    const FileDialogAnswer answer = m_c.dialogs->saveFile(m_c.window, {kSaveFilter, kSaveExtension, m_c.state->SaveDir});
    if (!answer.accepted)
        return false;
    const QString path = withExtension(answer.path, kSaveFilter, answer.filterIndex);
    if (answer.filterIndex == 1)
        m_c.state->LegacyFormat = false;
    m_c.state->BasePath = pair::basePathOf(path);
    m_c.state->SaveDir = documents::shortString(documents::titleFor(m_c.state->BasePath).directory);
    m_c.tit();
    const QString decisive = m_c.state->BasePath + (m_c.state->LegacyFormat ? QStringLiteral("txt") : QStringLiteral("rtf"));
    if (exists(decisive) && !m_c.dialogs->question(m_c.window, kOverwriteQuestion)) {
        m_c.state->BasePath.clear();
        m_c.tit();
        return false;
    }
    return speich();
}

bool DocumentCommands::speich()
{
    Q_ASSERT(!m_c.state->BasePath.isEmpty());
    WaitCursor wait;
    if (m_c.state->LegacyFormat) {
        if (!writePair())
            return false;
    } else {
        writeRtf();
    }
    m_c.txt->setModified(false);
    return true;
}

void DocumentCommands::loadRtf(const QString& path)
{
    const QByteArray bytes = readWholeFile(path);
    rtf::ReadResult result = rtf::read(bytes);
    if (!result.ok())
        throw IoError(0, result.message);
    m_c.txt->load(result.document);
}

void DocumentCommands::writeRtf()
{
    const QByteArray bytes = rtf::write(m_c.txt->snapshot());
    try {
        writeFilesAtomically({{m_c.state->BasePath + QStringLiteral("rtf"), bytes}});
    } catch (const IoError& e) {
        throw IoError(e.code(), rtf::saveFailedMessage() + QStringLiteral(": ") + e.message());
    }
}

void DocumentCommands::readPair()
{
    const QString textPath = m_c.state->BasePath + QStringLiteral("txt");
    const QString runsPath = m_c.state->BasePath + QStringLiteral("sri");
    if (!exists(textPath))
        throw IoError(IoError::FileNotFound);
    pair::ReadResult result;
    {
        ProgressScope scope(m_c, true);
        const QByteArray text = readWholeFile(textPath);
        std::optional<QByteArray> runs;
        if (exists(runsPath)) {
            QByteArray bytes = readWholeFile(runsPath);
            if (!bytes.isEmpty()) // what a save cut short leaves: read like a missing file
                runs = std::move(bytes);
        }
        result = pair::read(text, runs, [this](int percent) { showProgress(percent); });
        if (!result.loaded())
            throw IoError(IoError::ReadPastEnd);
        m_c.txt->load(result.document);
        m_c.state->ProgressTotal = m_c.txt->textLength();
    }
    if (result.status == pair::ReadResult::RunsDamaged)
        m_c.dialogs->notice(m_c.window, result.message);
}

bool DocumentCommands::acceptLosses(const styled::Document& document)
{
    const pair::Losses l = pair::losses(document);
    if (!l.any())
        return true;
    QStringList what;
    if (l.uncodedCharacters > 0)
        what << QStringLiteral("%1 Zeichen ohne 8-Bit-Code (das erste an Stelle %2) werden als „?“ gespeichert")
                    .arg(l.uncodedCharacters)
                    .arg(l.firstUncoded);
    if (l.oversizedRuns > 0)
        what << QStringLiteral("%1 Abschnitt(e) größer als 255 Punkt (der erste an Stelle %2) verlieren ihre Größe")
                    .arg(l.oversizedRuns)
                    .arg(l.firstOversized);
    return m_c.dialogs->question(m_c.window, QStringLiteral("Das alte Format kann nicht alles aufnehmen: %1. Trotzdem speichern?")
                                                 .arg(what.join(QStringLiteral("; "))));
}

bool DocumentCommands::writePair()
{
    const styled::Document document = m_c.txt->snapshot();
    if (document.length() == 0)
        return true; // an empty text writes no files, and the old ones stay
    if (!acceptLosses(document))
        return false;
    {
        ProgressScope scope(m_c, false);
        m_c.state->ProgressTotal = m_c.txt->textLength();
        const pair::Bytes bytes = pair::write(document, [this](int percent) { showProgress(percent); });
        writeFilesAtomically({{m_c.state->BasePath + QStringLiteral("txt"), bytes.text},
                              {m_c.state->BasePath + QStringLiteral("sri"), bytes.runs}});
    }
    m_c.txt->setSelStart(0);
    m_c.txt->setFocus();
    return true;
}
