// Word and OpenDocument files of the 10 MiB book, made by the program's own
// writers: each written, then read as another program's document is (the
// reader and the Greek mapped to the font's codes), with the time and the
// peak memory of the read beside the size of the document's text.
#include "benchdocs.h"
#include "documentfiles.h"
#include "ziparchive.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir temporary;
    // An argument names a folder that keeps the files, for a look at them.
    const QDir dir(argc > 1 ? QString::fromLocal8Bit(argv[1]) : temporary.path());
    const styled::Document book = benchdocs::make(1'450'000, 140'000, 161);
    const double textMiB = book.plainText().toUtf8().size() / 1048576.0;
    std::printf("the book: %d characters, %lld paragraphs, %.1f MiB of text (UTF-8)\n", book.length(),
                (long long)book.paragraphs.size(), textMiB);
    for (const auto& [name, format] : {std::pair{"buch.docx", DocumentKind::Format::Docx}, std::pair{"buch.odt", DocumentKind::Format::Odt}}) {
        const QString path = dir.filePath(QString::fromLatin1(name));
        std::vector<double> writes, reads;
        long peakKb = 0;
        for (int i = 0; i < 3; ++i) {
            QElapsedTimer t;
            t.start();
            docfiles::exportFile(book, path, format, {});
            writes.push_back(t.nsecsElapsed() / 1e6);
            const long before = benchdocs::statusKb("VmRSS:");
            benchdocs::resetPeak();
            t.restart();
            const docfiles::Opened opened = docfiles::open(path);
            reads.push_back(t.nsecsElapsed() / 1e6);
            peakKb = std::max(peakKb, benchdocs::statusKb("VmHWM:") - before);
            if (opened.document.length() != book.length())
                std::printf("  read back %d characters of %d\n", opened.document.length(), book.length());
        }
        // The text the file holds: its XML parts unpacked.
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        const ziparchive::Reader zip(file.readAll());
        qint64 unpacked = 0;
        for (const char* part : {"word/document.xml", "word/styles.xml", "content.xml", "styles.xml"})
            unpacked += zip.read(QString::fromLatin1(part)).bytes.size();
        const double unpackedMiB = unpacked / 1048576.0;
        std::printf("%s (%.1f MiB, %.1f MiB of XML unpacked): written %.0f ms, opened %.0f ms (median of 3), peak memory of the open "
                    "%.1f MiB = %.1f times the XML, %.1f times the text\n",
                    name, QFileInfo(path).size() / 1048576.0, unpackedMiB, benchdocs::median(writes), benchdocs::median(reads),
                    peakKb / 1024.0, peakKb / 1024.0 / unpackedMiB, peakKb / 1024.0 / textMiB);
    }
    return 0;
}
