#pragma once

// parcelon-bench: one program, a table of named measurements. Each source
// file registers its measurements with PARCELON_BENCH; every measurement is
// run N times and the table prints median, minimum and maximum in ms.
//
// A measurement times what it likes through its Laps: lap("name", action)
// records one sample under "name", record("name", value) a value measured
// otherwise (a time in ms, or what the name says, such as "(MB)"); a
// measurement that records nothing is timed as a whole under its own name.
//
// PARCELON_BENCH_SAMPLES=1 prints every sample as "sample<TAB>name<TAB>value"
// instead of the table, for a measurement that runs the benchmark again in
// another environment (a 2x screen) and collects what it measured.

#include <QString>

#include <functional>

class Laps
{
public:
    virtual ~Laps() = default;
    virtual void lap(const QString &name, const std::function<void()> &action) = 0;
    virtual void record(const QString &name, double value) = 0;
};

struct Measurement
{
    QString name;
    int runs;
    std::function<void(Laps &)> run;
};

// Adds a measurement to the table; used through PARCELON_BENCH.
bool registerMeasurement(Measurement measurement);

#define PARCELON_BENCH_CONCAT2(a, b) a##b
#define PARCELON_BENCH_CONCAT(a, b) PARCELON_BENCH_CONCAT2(a, b)
#define PARCELON_BENCH(name, runs, function)                                                                           \
    static const bool PARCELON_BENCH_CONCAT(parcelonBench_, __LINE__) = registerMeasurement(                           \
        Measurement{QStringLiteral(name), runs, function})
