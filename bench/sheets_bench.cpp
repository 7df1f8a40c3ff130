// Address lists made into label sheets (MakeLabelSheets on the warm office,
// with a second office for a long list's PDF), each beside a bare office run
// measured in the same run, as ratios; and the office's memory after the
// largest list.

#include "bench/BareOffice.h"
#include "bench/BenchTable.h"
#include "core/Seams.h"
#include "core/TempFolder.h"
#include "labels/LabelPlan.h"
#include "labels/ModuleEngineFactory.h"
#include "labels/SheetMaker.h"

#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <QThread>

#include <algorithm>
#include <ctime>
#include <stdexcept>
#include <sys/resource.h>
#include <unistd.h>

namespace {

class NoClipboard : public PictureClipboard
{
public:
    QImage image() override { return QImage(); }
    void setImage(const QImage &) override {}
};

ModuleEngineFactory &sheetEngines()
{
    static NoClipboard clipboard;
    static ModuleEngineFactory instance(clipboard);
    return instance;
}

// Addresses as shops have them: each different, a few with a second street line.
QList<QStringList> rows(int count)
{
    QList<QStringList> list;
    for (int i = 1; i <= count; ++i) {
        list << QStringList{QStringLiteral("Quillmark Supplies"),
                            QStringLiteral("Dana Whitcombe"),
                            QStringLiteral("123 Elm Street"),
                            QStringLiteral("Elmsworth"),
                            QStringLiteral("NH"),
                            QStringLiteral("03100"),
                            QStringLiteral("Harbor & Main Trading Co. %1").arg(i),
                            QStringLiteral("Customer Zoë %1").arg(i),
                            i % 7 ? QStringLiteral("%1 Orchard Row").arg(i)
                                  : QStringLiteral("%1 Orchard Row, Suite 12").arg(i),
                            QStringLiteral("Lakeview"),
                            QStringLiteral("WI"),
                            QStringLiteral("53703")};
    }
    return list;
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    const qsizetype n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double officeMegabytes()
{
    QFile status(QStringLiteral("/proc/%1/status").arg(sheetEngines().officeProcessId()));
    if (!status.open(QIODevice::ReadOnly))
        throw std::runtime_error("no office to measure");
    const QRegularExpression rss(QStringLiteral("VmRSS:\\s+(\\d+) kB"));
    return rss.match(QString::fromLatin1(status.readAll())).captured(1).toDouble() / 1024.0;
}

// CPU seconds this program, the office `office` (while it runs) and the
// offices it has ended (a list's second office, a replaced one) have used so
// far: on a shared machine, what a job costs whatever else runs.
double cpuSeconds(int office)
{
    rusage ended = {};
    ::getrusage(RUSAGE_CHILDREN, &ended);
    double seconds = double(std::clock()) / CLOCKS_PER_SEC + double(ended.ru_utime.tv_sec + ended.ru_stime.tv_sec)
        + double(ended.ru_utime.tv_usec + ended.ru_stime.tv_usec) / 1e6;
    QFile stat(QStringLiteral("/proc/%1/stat").arg(office));
    if (stat.open(QIODevice::ReadOnly)) {
        const QByteArray line = stat.readAll();
        // The fields after the command's closing parenthesis; utime and stime are the 12th and 13th.
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 12)
            seconds += (fields[11].toDouble() + fields[12].toDouble()) / double(::sysconf(_SC_CLK_TCK));
    }
    return seconds;
}

void lists(Laps &laps)
{
    sheetEngines().warmUp();
    sheetEngines().createApplication()->quit();

    struct Case
    {
        const char *name;
        int rows;
        int copies;
    };
    const QList<SheetLabels> none;
    for (const Case &list :
         {Case{"100 rows one per label (17 sheets)", 100, 1}, Case{"1,000 rows one per label (167 sheets)", 1000, 1},
          Case{"1,000 rows x 6 copies (1,000 sheets)", 1000, 6}}) {
        const QList<SheetLabels> sheets = PlanSheets(rows(list.rows), {1, list.copies});
        for (const char *extension : {"pdf", "doc"}) {
            const QString output = TemporaryPath(QStringLiteral("bench-sheets.") + QLatin1String(extension));
            const QString name =
                QStringLiteral("sheets: %1 to .%2").arg(QLatin1String(list.name), QLatin1String(extension));
            // The yardstick beside each list, as a shared machine's load changes.
            const QList<double> bare = BareOfficeRuns(3);
            const double yardstick = median(bare);
            for (double ms : bare)
                laps.record(QStringLiteral("bare office run: soffice --headless --convert-to doc"), ms);
            for (int run = 0; run < 3; ++run) {
                // As between two jobs of the program: an office grown past its
                // memory limit is replaced by a warmed one once idle.
                QThread::msleep(4000);
                sheetEngines().createApplication()->quit();
                QElapsedTimer timer;
                const int office = sheetEngines().officeProcessId();
                const double cpuBefore = cpuSeconds(office);
                timer.start();
                MakeLabelSheets(sheetEngines(), sheets, output);
                const double ms = double(timer.nsecsElapsed()) / 1e6;
                laps.record(name + QStringLiteral(" (ms)"), ms);
                laps.record(name + QStringLiteral(" (x bare run)"), ms / yardstick);
                if (list.copies == 6) {
                    laps.record(
                        QStringLiteral("office memory: after 1,000 sheets to .%1 (MB)").arg(QLatin1String(extension)),
                        officeMegabytes());
                }
                // What the program goes on holding: a list's second office
                // ends with the job, and an office past its limit is
                // replaced the moment the job's session ends.
                QThread::msleep(1000);
                laps.record(name + QStringLiteral(" (CPU ms, offices and program)"),
                            (cpuSeconds(office) - cpuBefore) * 1000);
                if (list.copies == 6) {
                    laps.record(QStringLiteral("office memory: 1 s after 1,000 sheets to .%1 (MB)")
                                    .arg(QLatin1String(extension)),
                                officeMegabytes());
                }
            }
            QFile::remove(output);
        }
    }
    // Now, while the office's bridge is still there: at the program's exit
    // it may be gone before this static factory.
    sheetEngines().shutDown();
}

} // namespace

PARCELON_BENCH("sheets: address lists", 1, lists);
