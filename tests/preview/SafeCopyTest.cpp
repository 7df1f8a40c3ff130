#include "Failure.h"
#include "SafeCopy.h"
#include "TestFiles.h"
#include "TestMain.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <unistd.h>

namespace {
mode_t modeOf(const QString &path)
{
    struct stat st {};
    ::stat(QFile::encodeName(path).constData(), &st);
    return st.st_mode & 07777;
}
} // namespace

class SafeCopyTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void copies();
    void failuresLeaveTheTargetAlone_data();
    void failuresLeaveTheTargetAlone();
    void unwritableExistingFileIsKept();

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

void SafeCopyTest::init()
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

void SafeCopyTest::copies()
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
    QCOMPARE(entries(), (QStringList{QStringLiteral("Labels for Mrs Müller"), QStringLiteral("labels.doc"),
                                     QStringLiteral("temp")}));
}

void SafeCopyTest::failuresLeaveTheTargetAlone_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("target");

    QTest::newRow("source gone") << "temp/missing.doc" << "labels.doc";
    QTest::newRow("source unreadable: a folder") << "temp" << "labels.doc";
    QTest::newRow("folder missing") << "temp/qmtemp12345678.doc" << "nowhere/labels.doc";
    QTest::newRow("target is a folder") << "temp/qmtemp12345678.doc" << "temp";
}

void SafeCopyTest::failuresLeaveTheTargetAlone()
{
    QFETCH(QString, source);
    QFETCH(QString, target);

    WriteFileBytes(path(QStringLiteral("labels.doc")), "the user's own document");
    const QStringList before = entries();
    QVERIFY_THROWS_EXCEPTION(Failure, SafeCopy(path(source), path(target)));
    QCOMPARE(entries(), before);
    QCOMPARE(ReadFileBytes(path(QStringLiteral("labels.doc"))), QByteArray("the user's own document"));
    QCOMPARE(QDir(path(QStringLiteral("temp"))).entryList(QDir::Files), QStringList{QStringLiteral("qmtemp12345678.doc")});
}

void SafeCopyTest::unwritableExistingFileIsKept()
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

PARCELON_TEST_MAIN(SafeCopyTest)
#include "SafeCopyTest.moc"
