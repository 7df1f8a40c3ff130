#include "Failure.h"
#include "FileUtils.h"
#include "TestMain.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {
QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

// Everything in the folder but the names given.
QStringList leftovers(const QString &folder, const QStringList &expected)
{
    QStringList names = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System
                                               | QDir::NoDotAndDotDot);
    for (const QString &name : expected)
        names.removeAll(name);
    return names;
}
} // namespace

class FileUtilsTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir *m_dir = nullptr;
    QString path(const QString &name) const { return m_dir->filePath(name); }

private slots:
    void init()
    {
        m_dir = new QTemporaryDir(TestEnvironment::temp() + QStringLiteral("/fileutils-XXXXXX"));
        QVERIFY(m_dir->isValid());
    }
    void cleanup() { delete m_dir; }

    void fileExists()
    {
        QVERIFY(!FileExists(QString()));
        QVERIFY(!FileExists(path("missing")));
        writeAll(path("there"), "x");
        QVERIFY(FileExists(path("there")));
        writeAll(path("empty"), QByteArray());
        QVERIFY(FileExists(path("empty")));
        QVERIFY(QFile::link(path("nowhere"), path("dangling")));
        QVERIFY(!FileExists(path("dangling")));
    }

    void writeIfAbsentLeavesAnExistingFileAlone()
    {
        writeAll(path("template.dot"), "old contents that are longer");
        WriteBytesIfAbsent("new", path("template.dot"));
        QCOMPARE(readAll(path("template.dot")), QByteArray("old contents that are longer"));
        writeAll(path("short"), "s");
        WriteBytesIfAbsent("a much longer replacement", path("short"));
        QCOMPARE(readAll(path("short")), QByteArray("s"));
    }

    void writeIfAbsentWritesExactBytes()
    {
        QByteArray bytes;
        for (int i = 0; i < 70000; ++i)
            bytes.append(char(i * 7 % 256)); // every byte value, NULs and CR LF included
        WriteBytesIfAbsent(bytes, path("template.dot"));
        QCOMPARE(QFileInfo(path("template.dot")).size(), bytes.size());
        QCOMPARE(readAll(path("template.dot")), bytes);
        WriteBytesIfAbsent(QByteArray(), path("zero"));
        QVERIFY(FileExists(path("zero")));
        QCOMPARE(QFileInfo(path("zero")).size(), 0);
        QCOMPARE(leftovers(m_dir->path(), {"template.dot", "zero"}), QStringList());
    }

    void writeIfAbsentReplacesADanglingLinkWithoutFollowingIt()
    {
        const QString victim = path("victim");
        QVERIFY(QFile::link(victim, path("template.dot")));
        WriteBytesIfAbsent("bytes", path("template.dot"));
        QVERIFY(!QFileInfo(path("template.dot")).isSymLink());
        QCOMPARE(readAll(path("template.dot")), QByteArray("bytes"));
        QVERIFY(!QFile::exists(victim));
    }

    void writeReplacingReplacesALinkToAnExistingFile()
    {
        writeAll(path("victim"), "precious");
        QVERIFY(QFile::link(path("victim"), path("out.doc")));
        WriteBytesReplacing("document", path("out.doc"));
        QVERIFY(!QFileInfo(path("out.doc")).isSymLink());
        QCOMPARE(readAll(path("out.doc")), QByteArray("document"));
        QCOMPARE(readAll(path("victim")), QByteArray("precious"));
    }

    void writeFailuresPassToTheCallerAndLeaveNothing()
    {
        QVERIFY_THROWS_EXCEPTION(Failure, WriteBytesIfAbsent("x", path("no-such-folder/file")));
        QVERIFY_THROWS_EXCEPTION(Failure, WriteBytesReplacing("x", QString()));
        QDir().mkdir(path("folder"));
        // A folder under the name counts as present: nothing is written, nothing thrown.
        WriteBytesIfAbsent("x", path("folder"));
        QVERIFY(QFileInfo(path("folder")).isDir());
        QCOMPARE(leftovers(m_dir->path(), {"folder"}), QStringList());
    }

    void deleteQuietly()
    {
        DeleteFileQuietly(QString());
        DeleteFileQuietly(path("missing"));
        writeAll(path("temp.bmp"), "x");
        DeleteFileQuietly(path("temp.bmp"));
        QVERIFY(!QFile::exists(path("temp.bmp")));

        QDir().mkdir(path("folder"));
        DeleteFileQuietly(path("folder"));
        QVERIFY(QFileInfo(path("folder")).isDir());

        writeAll(path("target"), "kept");
        QVERIFY(QFile::link(path("target"), path("link")));
        DeleteFileQuietly(path("link"));
        QVERIFY(QFileInfo(path("link")).isSymLink());
        QCOMPARE(readAll(path("target")), QByteArray("kept"));
    }
};

PARCELON_TEST_MAIN(FileUtilsTest)
#include "tst_fileutils.moc"
