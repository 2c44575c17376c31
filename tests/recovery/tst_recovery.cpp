// Recovery copies without a window: when a copy is due, how a copy is kept
// and read back, which copies a program may take (with real processes that
// run, and are killed, beside the test), and what a damaged copy or an
// unusable folder does.
#include "atomicfiles.h"
#include "copywriter.h"
#include "recoveryschedule.h"
#include "recoverystore.h"

#include "filesizelimit.h"

#include "testfiles.h"
#include <QtTest>

#include <sys/resource.h>

#include <csignal>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <cerrno>
#include <cstring>
#include <iostream>
#include <string>

using recovery::Schedule;
using recovery::Session;
using recovery::Store;

namespace {

styled::Document sample(const QString& text)
{
    styled::DocumentBuilder b;
    b.append(QStringLiteral("\xe1\xbc\x80"), {QStringLiteral("Greek"), 14, 0}); // never mind the code: any text goes
    b.append(text, {QStringLiteral("Arial"), 12, styled::Bold});
    b.breakParagraph();
    b.setAlignment(styled::AlignCentre);
    b.append(QStringLiteral("zweite Zeile"), {QStringLiteral("Greek"), 20, styled::Italic | styled::Underline});
    return b.take();
}

const Session kSession{QStringLiteral("/home/a/brief."), DocumentKind::Format::Pair, QStringLiteral("Stilora - brief")};


QStringList entries(const QString& folder, const QString& pattern)
{
    return QDir(folder).entryList({pattern}, QDir::Files | QDir::Hidden, QDir::Name);
}

// Another program with a copy of its own: this test program started again
// as `--child FOLDER TEXT`; it writes its copy, says "ready" and runs until
// it is killed or its input ends.
class Child {
public:
    Child(const QString& folder, const QString& text)
    {
        m_p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_p.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--child"), folder, text});
    }
    ~Child()
    {
        if (m_p.state() != QProcess::NotRunning) {
            m_p.kill();
            m_p.waitForFinished(5000);
        }
    }
    bool ready()
    {
        while (!m_p.canReadLine())
            if (!m_p.waitForReadyRead(10000))
                return false;
        return m_p.readLine().trimmed() == "ready";
    }
    void kill9()
    {
        m_p.kill(); // SIGKILL: nothing of the program runs any more
        m_p.waitForFinished(5000);
    }

private:
    QProcess m_p;
};

// The German message of a store that cannot be opened; nothing when it opens.
QString openError(Store& store)
{
    try {
        store.open();
        return {};
    } catch (const IoError& e) {
        return e.messageWithPath();
    }
}

int childMain(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    Store store(QString::fromLocal8Bit(argv[2]));
    if (!openError(store).isEmpty())
        return 2;
    store.ownFiles().write(sample(QString::fromLocal8Bit(argv[3])), kSession, QDateTime::currentDateTime());
    std::cout << "ready" << std::endl;
    std::string line;
    std::getline(std::cin, line);
    return 0;
}

} // namespace

class TestRecovery : public QObject {
    Q_OBJECT
private slots:
    void schedule_data();
    void schedule();
    void copyRoundTrip();
    void sessionKinds_data();
    void sessionKinds();
    void damagedCopies_data();
    void damagedCopies();
    void newestOfTheDeadIsOffered();
    void runningProgramsKeepTheirCopies();
    void deadCopyOfferedOnAFullDisk();
    void unusableFolder_data();
    void unusableFolder();
    void crowdedFolder();
    void discardedKeptAWeek();
    void writerLatestWins();
    void writerReportsFailures();
};

// Events on a clock of milliseconds, then when the next copy is due.
void TestRecovery::schedule_data()
{
    QTest::addColumn<QString>("events"); // e@t edited, c clean, t taken, f@t failed, w written
    QTest::addColumn<qint64>("due");     // -1: none
    QTest::newRow("nothing changed: no copy") << QString() << qint64(-1);
    QTest::newRow("one change: after the pause") << "e@1000" << qint64(6000);
    QTest::newRow("the pause counts from the last change") << "e@1000 e@3000 e@4500" << qint64(9500);
    QTest::newRow("typing on: 30 s after the first change at the latest")
        << "e@0 e@4000 e@8000 e@12000 e@16000 e@20000 e@24000 e@28000" << qint64(30000);
    QTest::newRow("taken: nothing more is due") << "e@0 t" << qint64(-1);
    QTest::newRow("a change after a copy starts anew") << "e@0 e@28000 t e@31000" << qint64(36000);
    QTest::newRow("saved: nothing is due") << "e@0 e@100 c" << qint64(-1);
    QTest::newRow("failed: tried again after the longest interval") << "e@0 t f@5200" << qint64(35200);
    QTest::newRow("failed, then typed: still not before the retry") << "e@0 t f@5200 e@6000" << qint64(35200);
    QTest::newRow("failed, written later: back to the pause") << "e@0 t f@5200 t w e@40000" << qint64(45000);
    QTest::newRow("failed, then saved: nothing is due") << "e@0 t f@5200 c" << qint64(-1);
}

void TestRecovery::schedule()
{
    QFETCH(QString, events);
    QFETCH(qint64, due);
    Schedule s;
    for (const QString& e : events.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const qint64 at = e.section(QLatin1Char('@'), 1).toLongLong();
        switch (e.at(0).toLatin1()) {
        case 'e': s.edited(at); break;
        case 'c': s.clean(); break;
        case 't': s.taken(); break;
        case 'f': s.failed(at); break;
        case 'w': s.written(); break;
        default: QFAIL(qPrintable(e));
        }
    }
    QCOMPARE(s.due().value_or(-1), due);
}

// Every kind a session can have comes back from its description; a whole
// document's description is the one older versions wrote.
void TestRecovery::sessionKinds_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<bool>("lossy");
    QTest::addColumn<QByteArray>("lines");
    using F = DocumentKind::Format;
    QTest::newRow("RTF") << int(F::Rtf) << false << QByteArray("\nlegacy=0\nunicode=0\ntitle");
    QTest::newRow("the pair") << int(F::Pair) << false << QByteArray("\nlegacy=1\nunicode=0\ntitle");
    QTest::newRow("another program's text") << int(F::UnicodeText) << false << QByteArray("\nlegacy=1\nunicode=1\ntitle");
    QTest::newRow("RTF that lost a footnote") << int(F::Rtf) << true << QByteArray("\nlegacy=0\nunicode=0\nlossy=1\ntitle");
    QTest::newRow("a pair that lost something") << int(F::Pair) << true << QByteArray("\nlegacy=1\nunicode=0\nlossy=1\ntitle");
}

void TestRecovery::sessionKinds()
{
    QFETCH(int, format);
    QFETCH(bool, lossy);
    QFETCH(QByteArray, lines);
    const Session session{QStringLiteral("/t/brief."), DocumentKind(DocumentKind::Format(format), lossy), QStringLiteral("Stilora - Brief")};
    const QByteArray meta = recovery::encodeMeta(session, QDateTime::fromMSecsSinceEpoch(1), "x");
    QVERIFY2(meta.contains(lines), meta.constData());
    const std::optional<recovery::Meta> back = recovery::decodeMeta(meta);
    QVERIFY(back);
    QCOMPARE(back->session, session);
}

void TestRecovery::copyRoundTrip()
{
    QTemporaryDir dir;
    const QDateTime saved = QDateTime::fromMSecsSinceEpoch(1796748664370);
    const Session session{QStringLiteral("/tmp/a b/br%ief=\u00e4\n."), DocumentKind::Format::UnicodeText, QStringLiteral("Stilora - br%ief=\u00e4")};
    const styled::Document doc = sample(QStringLiteral("{\\rtf1 kein RTF}"));
    QString id;
    {
        Store mine(dir.path());
        QCOMPARE(openError(mine), QString());
        mine.ownFiles().write(doc, session, saved);
        id = mine.ownId();
    } // as a program that ends without removing its copy: only the mark goes
    Store next(dir.path());
    QCOMPARE(openError(next), QString());
    std::optional<recovery::Recovered> r = next.takeNewestDead();
    QVERIFY(r);
    QCOMPARE(r->id, id);
    QVERIFY2(r->document == doc, qPrintable(r->document.describe()));
    QCOMPARE(r->session, session);
    QCOMPARE(r->saved, saved);
    next.forget(id);
    QCOMPARE(entries(dir.path(), QStringLiteral("copy-") + id + QStringLiteral("*")), QStringList());
    // A name that is not UTF-8 keeps its bytes: a Save after the restore writes that very file.
    const Session latin{decodePath("/tmp/brief-\xe9\xff."), DocumentKind(), QStringLiteral("Stilora - Brief")};
    const std::optional<recovery::Meta> back = recovery::decodeMeta(recovery::encodeMeta(latin, saved, "x"));
    QVERIFY(back);
    QCOMPARE(encodePath(back->session.basePath), QByteArray("/tmp/brief-\xe9\xff."));
    // What an older program wrote (UTF-8, percent-encoded) reads as it did.
    const std::optional<recovery::Meta> older = recovery::decodeMeta(QByteArray("Stilora-Wiederherstellung 1\nsaved=1\nbase=%2Ftmp%2Fbr%C3%A4.\nlegacy=0\n"
                                                            "unicode=0\ntitle=T\nsize=1\nsha256=") + QByteArray(64, 'a') + "\n");
    QVERIFY(older);
    QCOMPARE(older->session.basePath, QStringLiteral(u"/tmp/brä."));
}

// A copy whose files are not whole is not offered; it is set aside and the
// start goes on.
void TestRecovery::damagedCopies_data()
{
    QTest::addColumn<QString>("damage");
    QTest::newRow("RTF cut short") << "truncate";
    QTest::newRow("RTF with a changed byte") << "flip";
    QTest::newRow("no RTF at all") << "no rtf";
    QTest::newRow("no description") << "no meta";
    QTest::newRow("description cut short") << "meta truncate";
    QTest::newRow("description of another kind") << "meta garbage";
    QTest::newRow("description with an unknown line") << "meta extra";
    QTest::newRow("RTF and description both empty") << "empty";
}

void TestRecovery::damagedCopies()
{
    QFETCH(QString, damage);
    QTemporaryDir dir;
    const QString id = QStringLiteral("1-dead");
    Store probe(dir.path());
    const recovery::CopyFiles files = probe.filesOf(id);
    files.write(sample(QStringLiteral("alt")), kSession, QDateTime::currentDateTime());
    QByteArray rtf;
    {
        QFile f(files.rtf);
        QVERIFY(f.open(QIODevice::ReadOnly));
        rtf = f.readAll();
    }
    QByteArray meta;
    {
        QFile f(files.meta);
        QVERIFY(f.open(QIODevice::ReadOnly));
        meta = f.readAll();
    }
    if (damage == "truncate")
        writeFile(files.rtf, rtf.left(rtf.size() / 2));
    else if (damage == "flip")
        writeFile(files.rtf, QByteArray(rtf).replace("alt", "alu"));
    else if (damage == "no rtf")
        QFile::remove(files.rtf);
    else if (damage == "no meta")
        QFile::remove(files.meta);
    else if (damage == "meta truncate")
        writeFile(files.meta, meta.left(meta.size() - 10));
    else if (damage == "meta garbage")
        writeFile(files.meta, "\x89PNG\r\n\x1a\n");
    else if (damage == "meta extra")
        writeFile(files.meta, meta + "zukunft=1\n");
    else if (damage == "empty") {
        writeFile(files.rtf, {});
        writeFile(files.meta, {});
    }

    Store next(dir.path());
    QCOMPARE(openError(next), QString());
    QVERIFY(!next.takeNewestDead());
    QCOMPARE(entries(dir.path(), QStringLiteral("copy-") + id + QStringLiteral("*")), QStringList());
    // What there was of the document is kept aside, not deleted.
    QCOMPARE(entries(dir.path(), QStringLiteral("discarded-*.rtf")).size(), damage == "no rtf" ? 0 : 1);
}

// Several copies of programs that are gone: the newest whole one is offered,
// the others are set aside.
void TestRecovery::newestOfTheDeadIsOffered()
{
    QTemporaryDir dir;
    Store probe(dir.path());
    const QDateTime t0 = QDateTime::currentDateTime();
    probe.filesOf(QStringLiteral("1-old")).write(sample(QStringLiteral("alt")), kSession, t0.addSecs(-60));
    probe.filesOf(QStringLiteral("2-new")).write(sample(QStringLiteral("neu")), kSession, t0);
    probe.filesOf(QStringLiteral("3-middle")).write(sample(QStringLiteral("mitte")), kSession, t0.addSecs(-30));
    probe.filesOf(QStringLiteral("4-newest-damaged")).write(sample(QStringLiteral("kaputt")), kSession, t0.addSecs(10));
    writeFile(probe.filesOf(QStringLiteral("4-newest-damaged")).rtf, "{\\rtf1 kap");

    Store next(dir.path());
    QCOMPARE(openError(next), QString());
    std::optional<recovery::Recovered> r = next.takeNewestDead();
    QVERIFY(r);
    QCOMPARE(r->id, QStringLiteral("2-new"));
    QVERIFY(r->document == sample(QStringLiteral("neu")));
    QCOMPARE(entries(dir.path(), QStringLiteral("discarded-*.rtf")).size(), 3);
    QCOMPARE(entries(dir.path(), QStringLiteral("copy-*.meta")), QStringList{QStringLiteral("copy-2-new.meta")});
    // Another program starting meanwhile finds nothing: the copy is held.
    Store third(dir.path());
    QCOMPARE(openError(third), QString());
    QVERIFY(!third.takeNewestDead());
    next.setAside(r->id);
    QStringList marks{QStringLiteral("copy-") + next.ownId() + QStringLiteral(".lock"), QStringLiteral("copy-") + third.ownId() + QStringLiteral(".lock")};
    marks.sort();
    QCOMPARE(entries(dir.path(), QStringLiteral("copy-*")), marks);
}

// Two programs at once: neither is offered the other's copy; when one is
// killed, a third is offered its copy and only that.
void TestRecovery::runningProgramsKeepTheirCopies()
{
    QTemporaryDir dir;
    Child a(dir.path(), QStringLiteral("erstes"));
    Child b(dir.path(), QStringLiteral("zweites"));
    QVERIFY(a.ready());
    QVERIFY(b.ready());
    QCOMPARE(entries(dir.path(), QStringLiteral("copy-*.rtf")).size(), 2);
    {
        Store third(dir.path());
        QCOMPARE(openError(third), QString());
        QVERIFY(!third.takeNewestDead());
    }
    a.kill9();
    Store third(dir.path());
    QCOMPARE(openError(third), QString());
    std::optional<recovery::Recovered> r = third.takeNewestDead();
    QVERIFY(r);
    QVERIFY(r->document == sample(QStringLiteral("erstes")));
    QVERIFY(!third.takeNewestDead());
    third.forget(r->id);
    // The running one's copy is still there, whole.
    QCOMPARE(entries(dir.path(), QStringLiteral("copy-*.rtf")).size(), 1);
    QCOMPARE(entries(dir.path(), QStringLiteral("discarded-*")).size(), 0);
}

// A disk too full for a new mark: this program can keep no copy of its own,
// and cannot take over the dead program's mark, but the dead program's copy
// is offered all the same, and a running program's still is not.
void TestRecovery::deadCopyOfferedOnAFullDisk()
{
    QTemporaryDir dir;
    Child dead(dir.path(), QStringLiteral("verloren"));
    Child alive(dir.path(), QStringLiteral("läuft"));
    QVERIFY(dead.ready());
    QVERIFY(alive.ready());
    dead.kill9();
    Store store(dir.path());
    QString why;
    std::optional<recovery::Recovered> r;
    {
        const FileSizeLimit full(0); // not a byte more can be written
        QVERIFY(full.ok());
        why = openError(store);
        r = store.takeNewestDead();
    }
    QVERIFY2(why.contains(QStringLiteral("kann nicht geschrieben werden")), qPrintable(why));
    QVERIFY(r);
    QVERIFY(r->document == sample(QStringLiteral("verloren")));
    QVERIFY(!store.takeNewestDead()); // taken once, not again
    store.forget(r->id);
    QCOMPARE(entries(dir.path(), QStringLiteral("copy-*.rtf")).size(), 1); // the running program's
}

// A folder that cannot be used: the program goes on without copies and says why.
void TestRecovery::unusableFolder_data()
{
    QTest::addColumn<QString>("setup");
    QTest::newRow("a file where the folder should be") << "file";
    QTest::newRow("a folder beneath a file") << "beneath";
}

void TestRecovery::unusableFolder()
{
    QFETCH(QString, setup);
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("recovery"));
    writeFile(folder, "kein Ordner");
    Store store(setup == "file" ? folder : folder + QStringLiteral("/sub"));
    const QString why = openError(store);
    QVERIFY2(why.contains(QStringLiteral("recovery")), qPrintable(why));
    QVERIFY(!store.takeNewestDead());
}

// Thousands of files, most of them not copies or damaged: the start goes
// through them and offers the one whole copy.
void TestRecovery::crowdedFolder()
{
    QTemporaryDir dir;
    Store probe(dir.path());
    for (int i = 0; i < 1500; ++i) {
        writeFile(dir.filePath(QStringLiteral("fremd-%1.txt").arg(i)), "x");
        writeFile(dir.filePath(QStringLiteral("copy-%1-x.meta").arg(i)), "Stilora-Wiederherstellung 1\nsaved=1\n");
    }
    probe.filesOf(QStringLiteral("9-whole")).write(sample(QStringLiteral("ganz")), kSession, QDateTime::currentDateTime().addYears(-1));
    Store next(dir.path());
    QCOMPARE(openError(next), QString());
    std::optional<recovery::Recovered> r = next.takeNewestDead();
    QVERIFY(r);
    QCOMPARE(r->id, QStringLiteral("9-whole"));
    QCOMPARE(entries(dir.path(), QStringLiteral("copy-*.meta")).size(), 1);
}

void TestRecovery::discardedKeptAWeek()
{
    QTemporaryDir dir;
    Store store(dir.path());
    QCOMPARE(openError(store), QString());
    const QDateTime now(QDate(2026, 12, 8), QTime(12, 0));
    for (const char* name : {"discarded-2026-11-30-115959.rtf", "discarded-2026-12-01-120100.rtf", "discarded-2026-12-08-110000-2.rtf",
                             "discarded-kaputt.rtf", "brief.rtf"})
        writeFile(dir.filePath(QString::fromLatin1(name)), "{\\rtf1 x}");
    QFile old(dir.filePath(QStringLiteral("discarded-kaputt.rtf")));
    QVERIFY(old.open(QIODevice::ReadWrite));
    QVERIFY(old.setFileTime(now.addDays(-8), QFileDevice::FileModificationTime));
    old.close();
    QCOMPARE(store.pruneDiscarded(now), 2);
    QCOMPARE(entries(dir.path(), QStringLiteral("*.rtf")),
             (QStringList{QStringLiteral("brief.rtf"), QStringLiteral("discarded-2026-12-01-120100.rtf"), QStringLiteral("discarded-2026-12-08-110000-2.rtf")}));

    // Set aside twice in one second: two files, neither overwritten.
    Store probe(dir.path());
    probe.filesOf(QStringLiteral("1-a")).write(sample(QStringLiteral("a")), kSession, now);
    probe.filesOf(QStringLiteral("2-b")).write(sample(QStringLiteral("b")), kSession, now);
    store.setAside(QStringLiteral("1-a"), now);
    store.setAside(QStringLiteral("2-b"), now);
    QCOMPARE(entries(dir.path(), QStringLiteral("discarded-2026-12-08-120000*")),
             (QStringList{QStringLiteral("discarded-2026-12-08-120000-2.rtf"), QStringLiteral("discarded-2026-12-08-120000.rtf")}));
}

// Only the latest wish counts, and a removal after a write leaves nothing.
void TestRecovery::writerLatestWins()
{
    QTemporaryDir dir;
    Store store(dir.path());
    QCOMPARE(openError(store), QString());
    QList<quint64> reported;
    std::mutex m;
    {
        recovery::CopyWriter w(store.ownFiles(), [&](quint64 t, const std::optional<IoError>& e) {
            std::lock_guard<std::mutex> lock(m);
            reported << (e ? 1000 + t : t);
        });
        for (quint64 t = 1; t <= 20; ++t)
            w.write(sample(QString::number(t)), kSession, QDateTime::currentDateTime(), t);
        w.waitIdle();
        QCOMPARE(reported.last(), quint64(20)); // earlier ones may have been passed over
        QVERIFY(reported.size() <= 20);
        QFile f(store.ownFiles().meta);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QVERIFY(recovery::decodeMeta(f.readAll()));
        w.write(sample(QStringLiteral("x")), kSession, QDateTime::currentDateTime(), 21);
        w.remove(22);
    } // the destructor does what is asked before it ends
    QCOMPARE(reported.last(), quint64(22));
    QCOMPARE(entries(dir.path(), QStringLiteral("*copy-*")), QStringList{QStringLiteral("copy-") + store.ownId() + QStringLiteral(".lock")});
}

void TestRecovery::writerReportsFailures()
{
    QTemporaryDir dir;
    Store store(dir.path());
    QCOMPARE(openError(store), QString());
    std::optional<IoError> error;
    recovery::CopyWriter w(store.ownFiles(), [&](quint64, const std::optional<IoError>& e) { error = e; });
    atomicfiles::setFaultHook([](atomicfiles::Step step, const QByteArray&) { return step == atomicfiles::Step::Write ? ENOSPC : 0; });
    w.write(sample(QStringLiteral("voll")), kSession, QDateTime::currentDateTime(), 1);
    w.waitIdle();
    atomicfiles::setFaultHook({});
    QVERIFY(error);
    QCOMPARE(error->cause(), IoError::Cause::DiskFull);
    QCOMPARE(entries(dir.path(), QStringLiteral("*copy-*")), QStringList{QStringLiteral("copy-") + store.ownId() + QStringLiteral(".lock")});
    w.write(sample(QStringLiteral("wieder Platz")), kSession, QDateTime::currentDateTime(), 2);
    w.waitIdle();
    QVERIFY(!error);
}

int main(int argc, char* argv[])
{
    if (argc == 4 && std::strcmp(argv[1], "--child") == 0)
        return childMain(argc, argv);
    QCoreApplication app(argc, argv);
    TestRecovery t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_recovery.moc"
