// The one safe write: whatever fails on the way, the old file stays as it
// was and nothing is left beside it; what succeeds keeps the replaced file's
// permissions and the user's link. Faults are real ones: a file size limit
// for the write, a name taken by a folder for the rename, a writer or a
// check that fails. (A full disk: tst_safecopy, in a mount of its own.)

#include "core/Failure.h"
#include "core/SafeWrite.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TestMain.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

unsigned modeOf(const QString &path)
{
    struct stat info = {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode & 07777 : 0u;
}

enum class Fault { WriteFails, WriterFails, WriterWritesNothing, WriterFindsDiskFull, CheckFails, RenameFails };

// Files larger than `limit` bytes cannot be written while it lives.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t limit)
    {
        ::getrlimit(RLIMIT_FSIZE, &m_old);
        m_oldSignal = std::signal(SIGXFSZ, SIG_IGN); // the write fails with EFBIG instead
        rlimit smaller = m_old;
        smaller.rlim_cur = limit;
        ::setrlimit(RLIMIT_FSIZE, &smaller);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldSignal);
    }

private:
    rlimit m_old = {};
    void (*m_oldSignal)(int) = nullptr;
};

} // namespace

Q_DECLARE_METATYPE(Fault)

class tst_SafeWrite : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
    }

    void failuresLeaveTheOldFileAlone_data()
    {
        QTest::addColumn<Fault>("fault");
        QTest::addColumn<QString>("said");
        QTest::newRow("a write fails") << Fault::WriteFails << QStringLiteral("Cannot write %1: File too large");
        QTest::newRow("the writer fails") << Fault::WriterFails << QStringLiteral("the office stopped");
        QTest::newRow("the writer writes nothing")
            << Fault::WriterWritesNothing << QStringLiteral("Nothing was written to %1");
        QTest::newRow("the writer finds the disk full")
            << Fault::WriterFindsDiskFull << QStringLiteral("Disk full: there is no room for %1");
        QTest::newRow("the check finds it short")
            << Fault::CheckFails << QStringLiteral("%1 was not written whole: 1 of 2 pages");
        QTest::newRow("the rename fails") << Fault::RenameFails << QStringLiteral("Cannot write %1: Is a directory");
    }

    void failuresLeaveTheOldFileAlone()
    {
        QFETCH(Fault, fault);
        QFETCH(QString, said);
        // A rename can only fail where the old file has gone meanwhile (a
        // folder took its name); every other case replaces a file.
        const QString target = path(QStringLiteral("labels.pdf"));
        if (fault != Fault::RenameFails) {
            WriteFileBytes(target, "the old labels");
            QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
        }
        SafeWriteOptions options;
        options.check = [](const QString &fresh) {
            return ReadFileBytes(fresh).startsWith("whole") ? QString() : QStringLiteral("1 of 2 pages");
        };
        const QByteArray bytes(10000, 'w');
        QString description;
        try {
            if (fault == Fault::WriteFails) {
                const FileSizeLimit limit(4096);
                WriteBytesSafely("whole" + bytes, target, options);
            } else {
                WriteFileSafely(target, options, [&](const QString &fresh) {
                    switch (fault) {
                    case Fault::WriterFails:
                        WriteFileBytes(fresh, "half");
                        throw Failure(QStringLiteral("the office stopped"));
                    case Fault::WriterWritesNothing: return;
                    case Fault::WriterFindsDiskFull: throw DiskFull(fresh);
                    case Fault::CheckFails: WriteFileBytes(fresh, "half"); return;
                    default:
                        WriteFileBytes(fresh, "whole");
                        WriteFileBytes(target + QStringLiteral("/inside"), "someone else's");
                    }
                });
            }
        } catch (const Failure &failure) {
            description = failure.description();
        }
        QCOMPARE(description, said.arg(target));
        if (fault == Fault::RenameFails) {
            QCOMPARE(ReadFileBytes(target + QStringLiteral("/inside")), QByteArray("someone else's"));
        } else {
            QCOMPARE(ReadFileBytes(target), QByteArray("the old labels"));
            QCOMPARE(modeOf(target), 0640u);
        }
        QCOMPARE(entries(), QStringList{QStringLiteral("labels.pdf")});
    }

    // A replaced file keeps its mode, a new one gets the usual one; through
    // the user's link the linked file is replaced and the link stays; a
    // read-only file is not replaced (not even by root). The program's own
    // working files replace a planted link and stay the user's alone.
    void permissionsAndLinksAreKept()
    {
        const QString target = path(QStringLiteral("sheet.docx"));
        WriteFileBytes(target, "old");
        QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther);
        QString fresh;
        WriteFileSafely(target, {}, [&](const QString &name) {
            fresh = name;
            QCOMPARE(QFileInfo(name).absolutePath(), m_dir->path());
            QVERIFY2(QFileInfo(name).fileName().startsWith(QLatin1String(".sheet.docx.parcelon-")), qPrintable(name));
            QVERIFY(name.endsWith(QLatin1String(".docx"))); // the format, for the office
            QCOMPARE(ReadFileBytes(target), QByteArray("old"));
            WriteFileBytes(name, "new");
        });
        QCOMPARE(ReadFileBytes(target), QByteArray("new"));
        QCOMPARE(modeOf(target), 0604u);
        QVERIFY(!QFileInfo::exists(fresh));

        const mode_t mask = ::umask(027);
        WriteBytesSafely("x", path(QStringLiteral("new.odt")));
        ::umask(mask);
        QCOMPARE(modeOf(path(QStringLiteral("new.odt"))), 0640u);

        const QString link = path(QStringLiteral("link.docx"));
        QVERIFY(QFile::link(target, link));
        WriteBytesSafely("linked", link);
        QVERIFY(QFileInfo(link).isSymLink());
        QCOMPARE(ReadFileBytes(target), QByteArray("linked"));

        const QString locked = path(QStringLiteral("locked.pdf"));
        WriteFileBytes(locked, "kept");
        QFile::setPermissions(locked, QFile::ReadOwner | QFile::ReadGroup);
        QVERIFY_THROWS_EXCEPTION(Failure, WriteBytesSafely("x", locked));
        QCOMPARE(ReadFileBytes(locked), QByteArray("kept"));

        SafeWriteOptions working;
        working.forUser = false;
        WriteBytesSafely("ours", link, working);
        QVERIFY(!QFileInfo(link).isSymLink());
        QCOMPARE(ReadFileBytes(link), QByteArray("ours"));
        QCOMPARE(ReadFileBytes(target), QByteArray("linked"));
        QCOMPARE(modeOf(link), 0600u);
        QCOMPARE(entries(),
                 (QStringList{QStringLiteral("link.docx"), QStringLiteral("locked.pdf"), QStringLiteral("new.odt"),
                              QStringLiteral("sheet.docx")}));
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString path(const QString &name) const { return m_dir->filePath(name); }
    QStringList entries() const
    {
        return QDir(m_dir->path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }
};

PARCELON_TEST_MAIN(tst_SafeWrite)
#include "tst_safewrite.moc"
