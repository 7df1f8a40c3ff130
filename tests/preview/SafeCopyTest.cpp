#include "Failure.h"
#include "SafeCopy.h"
#include "TestMain.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <unistd.h>

namespace {
QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

void write(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
}

mode_t modeOf(const QString &path)
{
    struct stat st {};
    ::stat(QFile::encodeName(path).constData(), &st);
    return st.st_mode & 07777;
}

QByteArray randomBytes(int size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator generator(42);
    for (char &c : bytes)
        c = char(generator.bounded(256));
    return bytes;
}
} // namespace

class SafeCopyTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void copiesToANewName();
    void replacesAnExistingFileWhole();
    void failuresLeaveTheTargetAlone_data();
    void failuresLeaveTheTargetAlone();
    void unwritableExistingFileIsKept();
    void copyOntoItself();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_source;
    QByteArray m_document;
    QString path(const QString &name) const { return m_dir->filePath(name); }
};

void SafeCopyTest::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QDir().mkpath(path(QStringLiteral("temp")));
    m_source = path(QStringLiteral("temp/qmtemp12345678.doc"));
    m_document = randomBytes(3 * 1024 * 1024 + 17); // more than one buffer
    write(m_source, m_document);
}

void SafeCopyTest::copiesToANewName()
{
    const QString target = path(QStringLiteral("Labels for Mrs Müller")); // no extension added
    SafeCopy(m_source, target);
    QCOMPARE(readAll(target), m_document);
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files).size(), 1);
    // An ordinary new file: readable by others as the umask allows, not private.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    QCOMPARE(modeOf(target), mode_t(0666 & ~mask));
    QCOMPARE(readAll(m_source), m_document); // the source is untouched
}

void SafeCopyTest::replacesAnExistingFileWhole()
{
    const QString target = path(QStringLiteral("labels.doc"));
    write(target, QByteArray(5000000, 'x')); // longer than the new content
    ::chmod(QFile::encodeName(target).constData(), 0640);
    SafeCopy(m_source, target);
    QCOMPARE(readAll(target), m_document);
    QCOMPARE(modeOf(target), mode_t(0640));
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files).size(), 1);
}

void SafeCopyTest::failuresLeaveTheTargetAlone_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("target");
    QTest::addColumn<bool>("targetExists");

    QTest::newRow("source gone, existing target") << "temp/missing.doc" << "labels.doc" << true;
    QTest::newRow("source gone, new name") << "temp/missing.doc" << "new.doc" << false;
    QTest::newRow("source is a folder") << "temp" << "labels.doc" << true;
    QTest::newRow("folder missing") << "temp/qmtemp12345678.doc" << "nowhere/labels.doc" << false;
    QTest::newRow("target is a folder") << "temp/qmtemp12345678.doc" << "temp" << true;
}

void SafeCopyTest::failuresLeaveTheTargetAlone()
{
    QFETCH(QString, source);
    QFETCH(QString, target);
    QFETCH(bool, targetExists);

    const QByteArray old("the user's own document");
    if (targetExists && !QFileInfo(path(target)).isDir())
        write(path(target), old);
    const QStringList before = QDir(m_dir->path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);

    QVERIFY_THROWS_EXCEPTION(Failure, SafeCopy(path(source), path(target)));

    QCOMPARE(QDir(m_dir->path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), before);
    if (targetExists && !QFileInfo(path(target)).isDir())
        QCOMPARE(readAll(path(target)), old);
    QCOMPARE(QDir(path(QStringLiteral("temp"))).entryList(QDir::Files), QStringList{QStringLiteral("qmtemp12345678.doc")});
}

void SafeCopyTest::unwritableExistingFileIsKept()
{
    if (::geteuid() == 0)
        QSKIP("permissions do not bind the superuser");
    const QString target = path(QStringLiteral("locked.doc"));
    write(target, "kept");
    ::chmod(QFile::encodeName(target).constData(), 0444);
    QVERIFY_THROWS_EXCEPTION(Failure, SafeCopy(m_source, target));
    QCOMPARE(readAll(target), QByteArray("kept"));

    const QString folder = path(QStringLiteral("readonly"));
    QDir().mkpath(folder);
    write(folder + QStringLiteral("/old.doc"), "old");
    ::chmod(QFile::encodeName(folder).constData(), 0555);
    QVERIFY_THROWS_EXCEPTION(Failure, SafeCopy(m_source, folder + QStringLiteral("/old.doc")));
    QCOMPARE(readAll(folder + QStringLiteral("/old.doc")), QByteArray("old"));
    ::chmod(QFile::encodeName(folder).constData(), 0755);
}

void SafeCopyTest::copyOntoItself()
{
    // Choosing the temporary document itself must not destroy it.
    SafeCopy(m_source, m_source);
    QCOMPARE(readAll(m_source), m_document);
}

PARCELON_TEST_MAIN(SafeCopyTest)
#include "SafeCopyTest.moc"
