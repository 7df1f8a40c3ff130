#include "core/Failure.h"
#include "preview/SafeCopy.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TestMain.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <unistd.h>

namespace {
mode_t modeOf(const QString &path)
{
    struct stat st = {};
    ::stat(QFile::encodeName(path).constData(), &st);
    return st.st_mode & 07777;
}
} // namespace

class tst_SafeCopy : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void copies();
    void failuresLeaveTheTargetAlone_data();
    void failuresLeaveTheTargetAlone();
    void unwritableExistingFileIsKept();
    void aFullDiskIsSaidPlainly();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_source;
    QByteArray m_document;
    QString path(const QString &name) const { return m_dir->filePath(name); }
    QStringList entries() const
    {
        return QDir(m_dir->path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }
};

void tst_SafeCopy::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QDir().mkpath(path(QStringLiteral("temp")));
    m_source = path(QStringLiteral("temp/qmtemp12345678.doc"));
    m_document = QByteArray(3 * 1024 * 1024 + 17, Qt::Uninitialized); // more than one buffer
    QRandomGenerator generator(42);
    for (char &c : m_document)
        c = char(generator.bounded(256));
    WriteFileBytes(m_source, m_document);
}

void tst_SafeCopy::copies()
{
    // A new name, taken as given; an ordinary file as the umask allows, not private.
    const QString fresh = path(QStringLiteral("Labels for Mrs Müller"));
    SafeCopy(m_source, fresh);
    QCOMPARE(ReadFileBytes(fresh), m_document);
    const mode_t mask = ::umask(0);
    ::umask(mask);
    QCOMPARE(modeOf(fresh), mode_t(0666 & ~mask));

    // An existing, longer file is replaced whole and keeps its permissions.
    const QString existing = path(QStringLiteral("labels.doc"));
    WriteFileBytes(existing, QByteArray(5000000, 'x'));
    ::chmod(QFile::encodeName(existing).constData(), 0640);
    SafeCopy(m_source, existing);
    QCOMPARE(ReadFileBytes(existing), m_document);
    QCOMPARE(modeOf(existing), mode_t(0640));

    // Choosing the temporary document itself must not destroy it.
    SafeCopy(m_source, m_source);
    QCOMPARE(ReadFileBytes(m_source), m_document);
    QCOMPARE(
        entries(),
        (QStringList{QStringLiteral("Labels for Mrs Müller"), QStringLiteral("labels.doc"), QStringLiteral("temp")}));
}

void tst_SafeCopy::failuresLeaveTheTargetAlone_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("target");

    QTest::newRow("source gone") << "temp/missing.doc"
                                 << "labels.doc";
    QTest::newRow("source unreadable: a folder") << "temp"
                                                 << "labels.doc";
    QTest::newRow("folder missing") << "temp/qmtemp12345678.doc"
                                    << "nowhere/labels.doc";
    QTest::newRow("target is a folder") << "temp/qmtemp12345678.doc"
                                        << "temp";
}

void tst_SafeCopy::failuresLeaveTheTargetAlone()
{
    QFETCH(QString, source);
    QFETCH(QString, target);

    WriteFileBytes(path(QStringLiteral("labels.doc")), "the user's own document");
    const QStringList before = entries();
    QVERIFY_THROWS_EXCEPTION(Failure, SafeCopy(path(source), path(target)));
    QCOMPARE(entries(), before);
    QCOMPARE(ReadFileBytes(path(QStringLiteral("labels.doc"))), QByteArray("the user's own document"));
    QCOMPARE(QDir(path(QStringLiteral("temp"))).entryList(QDir::Files),
             QStringList{QStringLiteral("qmtemp12345678.doc")});
}

void tst_SafeCopy::unwritableExistingFileIsKept()
{
    if (::geteuid() == 0)
        QSKIP("permissions do not bind the superuser");
    const QString target = path(QStringLiteral("locked.doc"));
    WriteFileBytes(target, "kept");
    ::chmod(QFile::encodeName(target).constData(), 0444);
    QVERIFY_THROWS_EXCEPTION(Failure, SafeCopy(m_source, target));
    QCOMPARE(ReadFileBytes(target), QByteArray("kept"));

    const QString folder = path(QStringLiteral("readonly"));
    QDir().mkpath(folder);
    WriteFileBytes(folder + QStringLiteral("/old.doc"), "old");
    ::chmod(QFile::encodeName(folder).constData(), 0555);
    QVERIFY_THROWS_EXCEPTION(Failure, SafeCopy(m_source, folder + QStringLiteral("/old.doc")));
    QCOMPARE(ReadFileBytes(folder + QStringLiteral("/old.doc")), QByteArray("old"));
    ::chmod(QFile::encodeName(folder).constData(), 0755);
}

// On a small file system of its own (mounted in a private mount namespace, so
// nobody else sees it and it goes with the helper): a copy that does not fit
// says the disk is full, naming the target, and leaves the old file whole and
// nothing else behind.
void tst_SafeCopy::aFullDiskIsSaidPlainly()
{
    if (const QString why = WhyNoPrivateMount(); !why.isEmpty())
        QSKIP(qPrintable(why));
    const QString mountPoint = path(QStringLiteral("small"));
    QDir().mkpath(mountPoint);
    // 64 KiB, a 10 000-byte document in it, a 3 MiB one to copy over it.
    const QString script = QStringLiteral(
        "mount -t tmpfs -o size=64k tmpfs \"$1\" || exit 3\n"
        "head -c 10000 /dev/zero | tr '\\0' k > \"$1/labels.doc\"\n"
        "\"$2\" \"$3\" \"$1/labels.doc\"\n"
        "\"$2\" \"$3\" \"$1/new.doc\"\n"
        "wc -c < \"$1/labels.doc\"; tr -d k < \"$1/labels.doc\" | wc -c; ls -A \"$1\"\n");
    QProcess helper;
    helper.start(QStringLiteral("unshare"),
                 {QStringLiteral("--mount"), QStringLiteral("--propagation"), QStringLiteral("private"),
                  QStringLiteral("sh"), QStringLiteral("-c"), script, QStringLiteral("sh"), mountPoint,
                  QStringLiteral(PARCELON_SAFECOPY_HELPER), m_source});
    QVERIFY(helper.waitForFinished(30000));
    if (helper.exitCode() == 3)
        QSKIP("no mount namespace here");
    const QString full = QStringLiteral("Disk full: there is no room for %1/");
    QCOMPARE(QString::fromUtf8(helper.readAllStandardOutput()).split(QLatin1Char('\n')),
             (QStringList{full.arg(mountPoint) + QStringLiteral("labels.doc"),
                          full.arg(mountPoint) + QStringLiteral("new.doc"), QStringLiteral("10000"),
                          QStringLiteral("0"), QStringLiteral("labels.doc"), QString()}));
    QCOMPARE(QDir(mountPoint).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
}

PARCELON_TEST_MAIN(tst_SafeCopy)
#include "tst_safecopy.moc"
