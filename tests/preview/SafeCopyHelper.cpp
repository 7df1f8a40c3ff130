// Runs one SafeCopy for tst_safecopy inside a mount namespace of its own and
// prints what came of it.
#include "core/Failure.h"
#include "preview/SafeCopy.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 3)
        return 2;
    try {
        SafeCopy(QString::fromLocal8Bit(argv[1]), QString::fromLocal8Bit(argv[2]));
        std::puts("copied");
    } catch (const Failure &failure) {
        std::puts(failure.description().toUtf8().constData());
    }
    return 0;
}
