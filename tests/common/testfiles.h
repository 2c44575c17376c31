#pragma once

// Files and programs as the tests read, write and run them.

#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QtTest>

// A file's bytes; "<missing>" when it cannot be read, which no test writes.
inline QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// Writes a file as another program would: plainly, not through the program's own writer.
inline void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY2(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size(), qPrintable(path));
}

// What a program writes on standard output, given half a minute.
inline QString run(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput());
}
