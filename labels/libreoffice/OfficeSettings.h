#pragma once

#include <QString>
#include <QtGlobal>

#include <atomic>
#include <chrono>
#include <memory>

// How the engine starts and guards LibreOffice. Read from the environment each
// time an office is started, so tests can shorten the limits or point at a
// missing program without rebuilding.
//
//   PARCELON_OFFICE_PROGRAM            path of soffice.bin (a symbolic link is followed)
//   PARCELON_ENGINE_CALL_TIMEOUT_MS    limit of one call into the office (default 30 s)
//   PARCELON_ENGINE_START_TIMEOUT_MS   limit of starting and connecting (default 20 s)
//   PARCELON_OFFICE_MEMORY_LIMIT_MB    resident memory no job should take an office past (an
//                                      idle office is recycled past five eighths of it)
//   PARCELON_ENGINE_DEBUG              non-empty: the office keeps our stdout/stderr
//   PARCELON_ENGINE_EXTRA_FILTER       one more filter the office must offer, so tests
//                                      can present an office that lacks one
struct OfficeSettings
{
    QString program;
    QString programFolder;
    std::chrono::milliseconds callLimit{30000};
    // A warm start takes well under a second; one that takes this long is
    // reported rather than waited for.
    std::chrono::milliseconds startLimit{20000};
    // Limit of the round trip that tells whether an office still answers
    // (a trivial call; never more than the call limit).
    std::chrono::milliseconds pingLimit{5000};
    // How long a terminated office gets to exit before its process group is killed.
    std::chrono::milliseconds exitLimit{5000};
    // A warmed office holds about 130 MB and 145 MB after a hundred fills
    // (parcelon-bench "office memory"), 230 MB right after a list of 1,000
    // sheets; one idle past five eighths of this is replaced, so that such a
    // job does not take it past this.
    qint64 memoryLimit = 256LL * 1024 * 1024;
    bool debugOutput = false;
    QString extraFilter;
    // Set when the program is ending: an office being started is given up.
    std::shared_ptr<const std::atomic<bool>> cancelled;

    bool isCancelled() const { return cancelled && cancelled->load(); }

    static OfficeSettings fromEnvironment();
};
