#include "bench/BenchTable.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QMap>
#include <QRegularExpression>
#include <QStringList>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

std::vector<Measurement> &table()
{
    static std::vector<Measurement> measurements;
    return measurements;
}

class RecordingLaps : public Laps
{
public:
    void lap(const QString &name, const std::function<void()> &action) override
    {
        QElapsedTimer timer;
        timer.start();
        action();
        record(name, double(timer.nsecsElapsed()) / 1e6);
    }
    void record(const QString &name, double ms) override
    {
        if (!samples.contains(name))
            order << name;
        samples[name].push_back(ms);
        ++count;
    }

    QStringList order;
    QMap<QString, std::vector<double>> samples;
    int count = 0;
};

void printRow(const QString &name, std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    const double median = n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
    // Ratios are read to the hundredth.
    const int decimals = name.endsWith(QLatin1String("ratio")) ? 2 : 1;
    std::printf("%-56s %5zu %10.*f %10.*f %10.*f\n", qPrintable(name), n, decimals, median, decimals, values.front(),
                decimals, values.back());
}

// Benchmarks write their files and settings into a private folder, never the user's.
QString privateTemp()
{
    QByteArray pattern = QDir::tempPath().toLocal8Bit() + "/parcelon-bench-XXXXXX";
    if (!::mkdtemp(pattern.data()))
        std::abort();
    const QString path = QString::fromLocal8Bit(pattern);
    qputenv("TEMP", pattern);
    // Windows that the benchmarks open store their fields here, not in the user's settings.
    qputenv("XDG_CONFIG_HOME", pattern + "/config");
    return path;
}

} // namespace

bool registerMeasurement(Measurement measurement)
{
    table().push_back(std::move(measurement));
    return true;
}

// Usage: parcelon-bench [--runs N] [--list] [name regex]
int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const QString temp = privateTemp();
    QApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    int runsOverride = 0;
    QRegularExpression filter;
    bool list = false;
    while (!args.isEmpty()) {
        const QString arg = args.takeFirst();
        if (arg == QLatin1String("--runs") && !args.isEmpty())
            runsOverride = args.takeFirst().toInt();
        else if (arg == QLatin1String("--list"))
            list = true;
        else
            filter.setPattern(arg);
    }

    int status = 0;
    const bool samplesOnly = !qEnvironmentVariableIsEmpty("PARCELON_BENCH_SAMPLES");
    if (!samplesOnly)
        std::printf("%-56s %5s %10s %10s %10s\n", "measurement", "runs", "median", "min", "max");
    for (const Measurement &m : table()) {
        if (!filter.pattern().isEmpty() && !filter.match(m.name).hasMatch())
            continue;
        if (list) {
            std::printf("%s\n", qPrintable(m.name));
            continue;
        }
        const int runs = runsOverride > 0 ? runsOverride : m.runs;
        RecordingLaps laps;
        try {
            for (int i = 0; i < runs; ++i) {
                QElapsedTimer timer;
                timer.start();
                const int before = laps.count;
                m.run(laps);
                if (laps.count == before)
                    laps.record(m.name, double(timer.nsecsElapsed()) / 1e6);
            }
        } catch (const std::exception &e) {
            std::printf("%-56s failed: %s\n", qPrintable(m.name), e.what());
            status = 1;
            continue;
        }
        for (const QString &name : laps.order) {
            if (!samplesOnly) {
                printRow(name, laps.samples.value(name));
                continue;
            }
            for (double value : laps.samples.value(name))
                std::printf("sample\t%s\t%.3f\n", qPrintable(name), value);
        }
        std::fflush(stdout);
    }
    QDir(temp).removeRecursively();
    return status;
}
