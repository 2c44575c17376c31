#include "documentcommands.h"

#include "atomicfiles.h"
#include "documentfiles.h"
#include "filelock.h"
#include "ioerror.h"
#include "recentdocuments.h"
#include "richtextsurface.h"
#include "sharedstate.h"
#include "title.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProgressBar>
#include <QWidget>

const QString DocumentCommands::kOpenFilter = QStringLiteral(
    "Stilora 1.1 Dateien (*.rtf) - Rich Text Format)|*.rtf|Stilora 1.0 und 1.01 Dateien (*.sri)|*.sri|"
    "Nur Text ohne Format (*.txt)|*.txt|Word-Dokument (*.docx)|*.docx|OpenDocument-Text (*.odt)|*.odt|Beta Code (*.beta, *.txt)|*.beta *.txt");
const QString DocumentCommands::kSaveFilter = QStringLiteral(
    "Stilora 1.1 Datei (*.rtf) - Rich Text Format|*.rtf|Stilora 1.0 und 1.01 Datei (*.sri)|*.sri|Word-Dokument (*.docx)|*.docx");
const QString DocumentCommands::kOpenExtension = QStringLiteral("*.rtf");
const QString DocumentCommands::kSaveExtension = QStringLiteral("*.sri");
const QString DocumentCommands::kOverwriteQuestion = QStringLiteral("Soll vorhandene Datei überschrieben werden?");
const QString DocumentCommands::kUnsavedQuestion = QStringLiteral("Der Text wurde geändert. Änderungen speichern?");
const QString DocumentCommands::kPairTextQuestion = QStringLiteral(
    "Die Datei %1 ist der Text des Dateipaars %2. Als Unicode-Text überschrieben, ist das Dateipaar zerstört: "
    "Stilora liest es danach nicht mehr richtig. Trotzdem überschreiben?");
const QString DocumentCommands::kOpenElsewhereQuestion = QStringLiteral(
    "Das Dokument %1 ist bereits in einem anderen Stilora-Fenster geöffnet. Wer zuletzt speichert, überschreibt die "
    "Änderungen des anderen. Trotzdem öffnen?");
const QString DocumentCommands::kEmptyPairQuestion = QStringLiteral(
    "Der Text ist leer. Das Dateipaar kann keinen leeren Text aufnehmen: Stilora liest zwei leere Dateien als leeres "
    "Dokument, ältere Versionen melden beim Öffnen einer leeren Textdatei einen Fehler. Beide Dateien leeren?");

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

bool exists(const QString& path) { return isRegularFile(path); }

// The file whose state a document's is: its RTF, or the pair's text file.
QString documentFile(const SharedState& s) { return s.Kind.fileOf(s.BasePath); }

// A pair is write-protected when either of its files is.
bool writeProtectedDocument(const QString& path, DocumentKind kind)
{
    if (!kind.onPairNames())
        return isWriteProtected(path);
    const QList<QString> files = kind.filesOf(pair::basePathOf(path));
    return std::any_of(files.begin(), files.end(), [](const QString& f) { return isWriteProtected(f); });
}

} // namespace

DocumentCommands::DocumentCommands(const DocumentContext& context)
    : m_c(context)
{
}

DocumentCommands::~DocumentCommands() = default;

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
    m_c.state->Kind = DocumentKind();
    m_c.state->ReadOnlyDocument = false;
    markOpen(QString());
    m_c.txt->load(styled::Document()); // the empty model, as any document is loaded
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
    // Entries 2 and 3 read the pair (a text file without attribute file
    // included); the entries after them read their own formats.
    const DocumentKind::Format byEntry[] = {DocumentKind::Format::Rtf, DocumentKind::Format::Pair, DocumentKind::Format::Pair,
                                            DocumentKind::Format::Docx, DocumentKind::Format::Odt, DocumentKind::Format::BetaCode};
    load(answer.path, byEntry[std::clamp(answer.filterIndex, 1, int(std::size(byEntry))) - 1]);
}

QString DocumentCommands::baseOf(const QString& path)
{
    // The pair's names and the dialogs' all end in three letters; a file
    // named from outside may not ("liesmich", "text.md"): its base is the
    // name without its ending, so that Save writes beside it, never over it
    // or over a name cut short.
    const QFileInfo info(path);
    if (info.suffix().size() == 3)
        return pair::basePathOf(path);
    QString base = path;
    if (!info.suffix().isEmpty())
        base.chop(info.suffix().size() + 1);
    return base + QLatin1Char('.');
}

void DocumentCommands::openFile(const QString& path)
{
    if (!mayDiscard())
        return;
    load(path, DocumentKind::ofFile(path));
}

void DocumentCommands::openNamed(const QStringList& paths)
{
    if (paths.isEmpty())
        return;
    if (paths.size() > 1) {
        QStringList rest;
        for (qsizetype i = 1; i < paths.size(); ++i)
            rest << QDir::toNativeSeparators(paths[i]);
        m_c.dialogs->notice(m_c.window, QStringLiteral("Stilora bearbeitet ein Dokument zur Zeit. Geöffnet wird nur %1; "
                                                       "nicht geöffnet:\n%2")
                                            .arg(QDir::toNativeSeparators(paths.first()), rest.join(QLatin1Char('\n'))));
    }
    openFile(QFileInfo(paths.first()).absoluteFilePath());
}

bool DocumentCommands::openRecent(const QString& path)
{
    if (!RecentDocuments::available(path)) {
        m_c.dialogs->notice(m_c.window, QStringLiteral("Die Datei %1 gibt es nicht mehr. Sie wird aus der Liste der zuletzt "
                                                       "geöffneten Dokumente entfernt.")
                                            .arg(QDir::toNativeSeparators(path)));
        return false;
    }
    openFile(path);
    return true;
}

void DocumentCommands::load(const QString& path, DocumentKind kind)
{
    // Another running Stilora that holds the document open would save over
    // what this one saves, and the other way round: the user decides. The
    // mark this program holds goes first, so that opening its own document
    // again asks nothing.
    const QString marked = m_markedFile;
    m_mark.reset();
    if (filelock::OpenMark::heldElsewhere(encodePath(path))
        && !m_c.dialogs->question(m_c.window, kOpenElsewhereQuestion.arg(QFileInfo(path).fileName()))) {
        markOpen(marked);
        return;
    }
    // The title names the chosen document before anything is read; when
    // reading fails, the document the editor still holds is named again, so
    // that a later Save cannot write it over the file that failed to open.
    const QString oldBase = m_c.state->BasePath;
    const DocumentKind oldKind = m_c.state->Kind;
    const bool oldReadOnly = m_c.state->ReadOnlyDocument;
    m_c.state->BasePath = baseOf(path);
    m_c.state->ReadOnlyDocument = false;
    m_c.tit();
    WaitCursor wait;
    try {
        m_c.state->Kind = kind;
        if (kind.onPairNames())
            readPair();
        else if (kind.format() == DocumentKind::Format::Rtf)
            loadRtf(path);
        else
            loadOther(path);
    } catch (...) {
        m_c.state->BasePath = oldBase;
        m_c.state->Kind = oldKind;
        m_c.state->ReadOnlyDocument = oldReadOnly;
        m_c.tit();
        markOpen(marked);
        throw;
    }
    markOpen(path);
    // A write-protected document says so in the title; Save asks for another name.
    if (writeProtectedDocument(path, m_c.state->Kind)) {
        m_c.state->ReadOnlyDocument = true;
        m_c.tit();
    }
    m_c.txt->setSelStart(0);
    m_c.txt->setFocus();
    if (m_c.remember)
        m_c.remember(path);
}

bool DocumentCommands::save()
{
    // Another program's Unicode text is not written over with 8-bit codes
    // unasked, and a write-protected file not at all.
    if (!m_c.state->BasePath.isEmpty() && m_c.state->Kind.savesInPlace() && !m_c.state->ReadOnlyDocument)
        return speich();
    return saveAs();
}

void DocumentCommands::markOpen(const QString& file)
{
    m_mark.reset();
    m_markedFile = file;
    if (!file.isEmpty())
        m_mark = std::make_unique<filelock::OpenMark>(encodePath(file));
}

bool DocumentCommands::saveAs()
{
    FileDialogRequest request{kSaveFilter, kSaveExtension, m_c.state->SaveDir};
    if (!m_c.state->Kind.savesInPlace()) {
        // Its name, as an RTF beside it, which keeps its Unicode and writes over nothing.
        request.suggestedName = QFileInfo(m_c.state->BasePath + QStringLiteral("rtf")).fileName();
        request.filterIndex = 1;
    }
    const FileDialogAnswer answer = m_c.dialogs->saveFile(m_c.window, request);
    if (!answer.accepted)
        return false;
    const QString path = withExtension(answer.path, kSaveFilter, answer.filterIndex);
    // The first entry makes the document RTF; the second keeps the format it
    // has: a pair stays a pair, an RTF or new document does not become one.
    if (answer.filterIndex == 1)
        m_c.state->Kind = DocumentKind::Format::Rtf;
    else if (answer.filterIndex == 3)
        m_c.state->Kind = DocumentKind::Format::Docx;
    else if (m_c.state->Kind.otherProgram())
        m_c.state->Kind = DocumentKind::Format::Pair; // another program's document takes the entry's format
    // The first two entries' names end in three letters; the third's in four.
    m_c.state->BasePath = answer.filterIndex == 3 ? baseOf(path) : pair::basePathOf(path);
    m_c.state->SaveDir = documents::shortString(documents::titleFor(m_c.state->BasePath).directory);
    m_c.tit();
    if (exists(documentFile(*m_c.state)) && !m_c.dialogs->question(m_c.window, kOverwriteQuestion)) {
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
    if (m_c.state->LegacyFormat()) {
        if (!writePair())
            return false;
    } else if (m_c.state->Kind.otherProgram()) {
        // Word's and OpenDocument's own format, with the Greek as Unicode as the export writes it.
        docfiles::exportFile(m_c.txt->snapshot(), documentFile(*m_c.state), m_c.state->Kind.format(), m_c.pdf);
    } else {
        docfiles::saveRtf(m_c.txt->snapshot(), m_c.state->BasePath + QStringLiteral("rtf"));
    }
    m_c.state->Kind = m_c.state->Kind.saved(); // from now on the document is ours
    if (m_c.state->ReadOnlyDocument) {
        m_c.state->ReadOnlyDocument = false; // written under a name that takes it
        m_c.tit();
    }
    if (m_markedFile != documentFile(*m_c.state))
        markOpen(documentFile(*m_c.state));
    m_c.txt->setModified(false);
    if (m_c.remember)
        m_c.remember(m_c.state->Kind.namedFileOf(m_c.state->BasePath));
    return true;
}

void DocumentCommands::exportDocument()
{
    FileDialogRequest request{DocumentKind::exportFilter(), QStringLiteral("*.") + DocumentKind::extensionOf(DocumentKind::exportFormats().first()),
                              m_c.state->SaveDir};
    request.caption = QStringLiteral("Exportieren");
    request.suggestedName = documents::exportName(m_c.state->BasePath, DocumentKind::extensionOf(DocumentKind::exportFormats().first()));
    const FileDialogAnswer answer = m_c.dialogs->saveFile(m_c.window, request);
    if (!answer.accepted)
        return;
    // A name typed with one of the formats' extensions is written as that
    // format, whatever entry the filter shows; a name without one gets the
    // entry's extension, and a file that this way comes to be overwritten
    // without the dialog having asked is asked about here.
    const int entry = std::clamp(answer.filterIndex, 1, int(DocumentKind::exportFormats().size()));
    const DocumentKind::Format format = DocumentKind::exportFormatOf(answer.path, entry);
    const QString path = withExtension(answer.path, request.filter, entry);
    if (path != answer.path && exists(path) && !m_c.dialogs->question(m_c.window, kOverwriteQuestion))
        return;
    if (format == DocumentKind::Format::UnicodeText || format == DocumentKind::Format::BetaCode) {
        if (const std::optional<QString> runs = docfiles::pairOfText(path)) {
            if (!m_c.dialogs->question(m_c.window, kPairTextQuestion.arg(QFileInfo(path).fileName(), QFileInfo(*runs).fileName())))
                return;
        }
    }
    QStringList warnings;
    {
        WaitCursor wait;
        warnings = docfiles::exportFile(m_c.txt->snapshot(), path, format, m_c.pdf);
    }
    // The file is written; what its format could not hold is told.
    if (!warnings.isEmpty())
        m_c.dialogs->notice(m_c.window, warnings.join(QLatin1Char(' ')));
}

void DocumentCommands::loadRtf(const QString& path) { loaded(docfiles::openRtf(path)); }

void DocumentCommands::loadOther(const QString& path)
{
    // Beta Code has no name of its own everywhere (the export writes .txt):
    // chosen as Beta Code, a file is read as Beta Code; the others by their names.
    const DocumentKind::Format format = m_c.state->Kind.format();
    loaded(docfiles::open(path, format == DocumentKind::Format::BetaCode ? format : DocumentKind::Format::Unknown));
}

void DocumentCommands::loaded(const docfiles::Opened& opened)
{
    m_c.txt->load(opened.document);
    // A document that lost something is not written over its file unasked.
    m_c.state->Kind = DocumentKind(m_c.state->Kind.format(), opened.notes.any());
    // What could not be taken as it was is told once, after the open.
    if (!opened.notice.isEmpty())
        m_c.dialogs->notice(m_c.window, opened.notice);
}

void DocumentCommands::readPair()
{
    docfiles::Opened opened;
    {
        // The missing text file is told before the editor is hidden.
        const QString textPath = m_c.state->BasePath + QStringLiteral("txt");
        if (!fileExists(textPath))
            throw IoError(IoError::Cause::FileNotFound).about(textPath);
        ProgressScope scope(m_c, true);
        opened = docfiles::openPair(m_c.state->BasePath, [this](int percent) { showProgress(percent); });
        m_c.txt->load(opened.document);
        m_c.state->ProgressTotal = m_c.txt->textLength();
    }
    m_c.state->Kind = opened.kind;
    if (!opened.notice.isEmpty())
        m_c.dialogs->notice(m_c.window, opened.notice);
}

bool DocumentCommands::acceptLosses(const styled::Document& document)
{
    const pair::Losses l = pair::losses(document);
    if (!l.any())
        return true;
    return m_c.dialogs->question(m_c.window, QStringLiteral("Das alte Format kann nicht alles aufnehmen: %1. Trotzdem speichern?")
                                                 .arg(docfiles::lossDescriptions(l).join(QStringLiteral("; "))));
}

bool DocumentCommands::writePair()
{
    const styled::Document document = m_c.txt->snapshot();
    // The pair has no form for an empty text that older readers accept.
    if (document.length() == 0 && !m_c.dialogs->question(m_c.window, kEmptyPairQuestion))
        return false;
    if (!acceptLosses(document))
        return false;
    {
        ProgressScope scope(m_c, false);
        m_c.state->ProgressTotal = m_c.txt->textLength();
        docfiles::savePair(document, m_c.state->BasePath, [this](int percent) { showProgress(percent); });
    }
    m_c.txt->setSelStart(0);
    m_c.txt->setFocus();
    return true;
}
