#pragma once

// parcelon-bench: one program, a table of named measurements. Each source
// file registers its measurements with PARCELON_BENCH; every measurement is
// run N times and the table prints median, minimum and maximum in ms.
//
// A measurement times what it likes through its Laps: lap("name", action)
// records one sample under "name"; a measurement that records no lap is
// timed as a whole under its own name.

#include <QString>

#include <functional>

class Laps
{
public:
    virtual ~Laps() = default;
    virtual void lap(const QString &name, const std::function<void()> &action) = 0;
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
#define PARCELON_BENCH(name, runs, function)                                                       \
    static const bool PARCELON_BENCH_CONCAT(parcelonBench_, __LINE__) =                            \
        registerMeasurement(Measurement{QStringLiteral(name), runs, function})
