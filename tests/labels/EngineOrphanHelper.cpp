// Helper of tst_engine: starts one office, says so, and waits to be killed.
// The test kills this program with SIGKILL and checks that its office goes too.

#include "labels/ModuleEngineFactory.h"
#include "labels/WordApplication.h"
#include "tests/support/ScriptedSeams.h"

#include <QCoreApplication>

#include <cstdio>
#include <unistd.h>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    ScriptedClipboard clipboard;
    ModuleEngineFactory engines(clipboard);
    try {
        auto word = engines.createApplication();
        std::printf("ready\n");
        std::fflush(stdout);
        for (;;)
            ::pause();
    } catch (const EngineError &e) {
        std::printf("failed %s\n", e.what());
        return 1;
    }
}
