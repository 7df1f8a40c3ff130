#include "core/Failure.h"
#include "core/FileUtils.h"
#include "core/GeneratedDocuments.h"
#include "core/OwnedTemporaries.h"
#include "core/PrivateFolder.h"
#include "core/TempFolder.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TestMain.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <fcntl.h>
#include <memory>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {
bool lockedElsewhere(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    const bool locked = fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) != 0;
    if (fd >= 0)
        ::close(fd);
    return locked;
}
unsigned mode(const QString &path)
{
    struct stat info = {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode & 07777 : 0u;
}

// Sets variables for one test and puts the old values back after it.
class EnvironmentChange
{
public:
    ~EnvironmentChange()
    {
        for (const auto &[name, value] : m_saved)
            value.isNull() ? qunsetenv(name) : qputenv(name, value);
    }
    void set(const char *name, const QByteArray &value)
    {
        m_saved.append({name, qEnvironmentVariableIsSet(name) ? qgetenv(name) : QByteArray()});
        value.isNull() ? qunsetenv(name) : qputenv(name, value);
    }

private:
    QList<std::pair<const char *, QByteArray>> m_saved;
};
} // namespace

class tst_FileUtils : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    QString path(const QString &name) const { return m_dir->filePath(name); }
    // Everything in the folder: no scratch files may be left beside the targets.
    QStringList entries() const
    {
        return QDir(m_dir->path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    }

private slots:
    void init() { m_dir = std::make_unique<QTemporaryDir>(TestEnvironment::temp() + "/fileutils-XXXXXX"); }
    void cleanup() { m_dir.reset(); }

    void fileExists()
    {
        QVERIFY(!FileExists(QString()));
        QVERIFY(!FileExists(path("missing")));
        WriteFileBytes(path("empty"), QByteArray());
        QVERIFY(FileExists(path("empty")));
        QVERIFY(QFile::link(path("nowhere"), path("dangling")));
        QVERIFY(!FileExists(path("dangling")));
    }

    void writeIfAbsentWritesExactBytesOnce()
    {
        QByteArray bytes;
        for (int i = 0; i < 70000; ++i)
            bytes.append(char(i * 7 % 256)); // every byte value, NULs and CR LF included
        WriteBytesIfAbsent(bytes, path("template.dot"));
        QCOMPARE(ReadFileBytes(path("template.dot")), bytes);
        WriteBytesIfAbsent("a replacement", path("template.dot")); // an existing file stays as it is
        QCOMPARE(ReadFileBytes(path("template.dot")), bytes);
        WriteBytesIfAbsent(QByteArray(), path("zero"));
        QVERIFY(FileExists(path("zero")));
        QCOMPARE(QFileInfo(path("zero")).size(), 0);
        QCOMPARE(entries(), QStringList({"template.dot", "zero"}));
    }

    // A link at the target is replaced by a file; whatever it points at stays.
    void linksAreReplacedNotFollowed()
    {
        QVERIFY(QFile::link(path("victim"), path("template.dot")));
        WriteBytesIfAbsent("bytes", path("template.dot"));
        QVERIFY(!QFileInfo(path("template.dot")).isSymLink());
        QCOMPARE(ReadFileBytes(path("template.dot")), QByteArray("bytes"));
        QVERIFY(!QFile::exists(path("victim")));

        WriteFileBytes(path("precious"), "precious");
        QVERIFY(QFile::link(path("precious"), path("out.doc")));
        WriteBytesReplacing("document", path("out.doc"));
        QVERIFY(!QFileInfo(path("out.doc")).isSymLink());
        QCOMPARE(ReadFileBytes(path("out.doc")), QByteArray("document"));
        QCOMPARE(ReadFileBytes(path("precious")), QByteArray("precious"));
    }

    void writeFailuresPassToTheCallerAndLeaveNothing()
    {
        QVERIFY_THROWS_EXCEPTION(Failure, WriteBytesIfAbsent("x", path("no-such-folder/file")));
        QVERIFY_THROWS_EXCEPTION(Failure, WriteBytesReplacing("x", QString()));
        QDir().mkdir(path("folder"));
        // A folder under the name counts as present: nothing is written, nothing thrown.
        WriteBytesIfAbsent("x", path("folder"));
        QVERIFY(QFileInfo(path("folder")).isDir());
        QCOMPARE(entries(), QStringList({"folder"}));
    }

    void deleteQuietlyRemovesOnlyRegularFiles()
    {
        DeleteFileQuietly(QString());
        DeleteFileQuietly(path("missing"));
        WriteFileBytes(path("temp.bmp"), "x");
        DeleteFileQuietly(path("temp.bmp"));
        QVERIFY(!QFile::exists(path("temp.bmp")));
        QDir().mkdir(path("folder"));
        DeleteFileQuietly(path("folder"));
        QVERIFY(QFileInfo(path("folder")).isDir());
        WriteFileBytes(path("target"), "kept");
        QVERIFY(QFile::link(path("target"), path("link")));
        DeleteFileQuietly(path("link"));
        QVERIFY(QFileInfo(path("link")).isSymLink());
        QCOMPARE(ReadFileBytes(path("target")), QByteArray("kept"));
    }

    // A start removes the documents of copies that are gone (no marker, or
    // one nobody locks), never one a running copy holds, and only names the
    // program makes.
    void orphanedDocumentsGoLiveOnesStay()
    {
        const QStringList others = {"labels.doc", "qmtemp1234567.doc", "qmtemp12345670.doc", "qmtemp12345678.docx"};
        for (const QString &name : others
                 + QStringList{"qmtemp11111111.doc", "qmtemp22222222.doc", "qmtemp22222222.doc.owner",
                               "qmtemp33333333.doc.owner", "qmtemp44444444.doc", "qmtemp44444444.doc.owner"})
            WriteFileBytes(path(name), name.toUtf8());
        QVERIFY(QFile::link(path("labels.doc"), path("qmtemp55555555.doc")));
        QProcess running; // another copy, alive, holding its document
        running.start("flock", {"--no-fork", path("qmtemp44444444.doc.owner"), "sleep", "60"});
        QTRY_VERIFY(lockedElsewhere(path("qmtemp44444444.doc.owner")));
        QVERIFY(ClaimGeneratedDocument(path("qmtemp66666666.doc"))); // this program's
        QVERIFY(!ClaimGeneratedDocument(path("qmtemp66666666.doc")));
        WriteFileBytes(path("qmtemp66666666.doc"), "ours");

        RemoveOrphanedDocuments(m_dir->path());
        QStringList expected = others
            + QStringList{"qmtemp44444444.doc", "qmtemp44444444.doc.owner", "qmtemp55555555.doc", "qmtemp66666666.doc",
                          "qmtemp66666666.doc.owner"};
        expected.sort();
        QCOMPARE(entries(), expected);
        QCOMPARE(ReadFileBytes(path("labels.doc")), "labels.doc");

        running.kill(); // kill -9: the kernel drops its lock
        QVERIFY(running.waitForFinished());
        RemoveOrphanedDocuments(m_dir->path());
        DeleteGeneratedDocuments();
        expected = others + QStringList{"qmtemp55555555.doc"};
        expected.sort();
        QCOMPARE(entries(), expected);
    }

    // Temporary names of programs that are gone go, files and folders alike,
    // also where the process id now belongs to a later process; this run's
    // own names and names the program does not make stay.
    void deadTemporariesGoLiveOnesStay()
    {
        QProcess gone;
        gone.start("true");
        QVERIFY(gone.waitForStarted());
        const qint64 gonePid = gone.processId();
        QVERIFY(gone.waitForFinished());
        const QString own = OwnedTemporaryName(QString()); // "parcelon-<pid>-<start>-XXXXXX"
        const QStringList mark = own.split('-');
        QCOMPARE(mark.size(), 4);
        const QString reused = u"parcelon-%1-%2-"_s.arg(mark[1]).arg(mark[2].toULongLong() + 1);
        const QString dead = u"parcelon-%1-%2-"_s.arg(gonePid).arg(mark[2]);
        const QStringList kept = {u".labels.pdf.%1Ab12Cd.pdf"_s.arg(own.chopped(6)),
                                  u"temp.bmp.%1Ab12Cd"_s.arg(own.chopped(6)),
                                  "labels.pdf",
                                  ".labels.pdf.Ab12Cd.pdf",
                                  "parcelon-sheets-Ab12Cd",
                                  "notes.parcelon-1-2-Ab12Cd.draft.txt"};
        const QStringList removed = {u".labels.pdf.%1Xy34Zw.pdf"_s.arg(dead), u"temp.bmp.%1Xy34Zw"_s.arg(reused),
                                     u"parcelon-profile.%1Ab12Cd"_s.arg(reused)};
        for (const QString &name : kept + removed)
            WriteFileBytes(path(name), "x");
        const QString folder = path(u"parcelon-sheets.%1Qq12Rr"_s.arg(dead));
        WriteFileBytes(folder + "/template.dot", "x");

        RemoveDeadTemporaries(m_dir->path());
        QStringList expected = kept;
        expected.sort();
        QCOMPARE(entries(), expected);
    }

    // A link could lead anywhere and a file is no folder: both are refused; a
    // loose folder of our own is closed to others.
    void privateFolderIsARealClosedFolder()
    {
        QVERIFY(MakePrivateFolder(path("new")));
        QCOMPARE(mode(path("new")), 0700u);
        QDir().mkdir(path("loose"));
        QFile::setPermissions(path("loose"), QFileDevice::Permissions(0x7777));
        QVERIFY(MakePrivateFolder(path("loose")));
        QCOMPARE(mode(path("loose")), 0700u);
        QVERIFY(QFile::link(path("new"), path("link")));
        WriteFileBytes(path("file"), "x");
        for (const char *refused : {"link", "file", "missing/child"})
            QVERIFY2(!MakePrivateFolder(path(refused)), refused);
    }

    // Without TEMP and a runtime folder the files go to the user's cache
    // folder; without a home either, nowhere rather than at the root.
    void temporaryFolderFallsBackToTheCacheNeverTheRoot()
    {
        EnvironmentChange change;
        change.set("TEMP", QByteArray());
        change.set("XDG_RUNTIME_DIR", QByteArray());
        change.set("XDG_CACHE_HOME", QFile::encodeName(path("cache")));
        QCOMPARE(TemporaryFolder(), path("cache/parcelon/tmp"));
        QCOMPARE(mode(path("cache/parcelon")), 0700u);
        QCOMPARE(mode(path("cache/parcelon/tmp")), 0700u);
        change.set("XDG_CACHE_HOME", "relative/cache"); // ignored, as the XDG rules say
        change.set("HOME", QFile::encodeName(path("home")));
        QDir().mkdir(path("home"));
        QCOMPARE(TemporaryFolder(), path("home/.cache/parcelon/tmp"));
        change.set("HOME", QByteArray());
        QVERIFY_THROWS_EXCEPTION(Failure, TemporaryFolder());
    }
};

PARCELON_TEST_MAIN(tst_FileUtils)
#include "tst_fileutils.moc"
