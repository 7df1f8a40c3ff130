// Starts the sheets of a three-sheet list for tst_listsheets on an engine
// that never answers, says so, and waits to be killed.
#include "labels/WordApplication.h"
#include "preview/ListSheets.h"

#include <QCoreApplication>

#include <chrono>
#include <cstdio>
#include <thread>

namespace {

// An office that hangs before its first answer: the list stays under way.
class HangingEngine : public EngineFactory
{
public:
    std::unique_ptr<WordApplication> createApplication() override
    {
        for (;;)
            std::this_thread::sleep_for(std::chrono::hours(1));
    }
};

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    HangingEngine engine;
    const QStringList address = {"", "Sam Sender",     "1 Road", "Town", "OH", "45402",
                                 "", "Rita Recipient", "2 Lane", "City", "ME", "04101"};
    ListSheets list(engine, PlanSheets(QList<QStringList>(13, address), {1, 1}));
    list.start();
    std::puts("started");
    std::fflush(stdout);
    return app.exec();
}
