#pragma once

#include "MessageBoxes.h"
#include "WordApplication.h"

// Seams for benchmarks that never reach the engine or a box.
class NoEngine : public EngineFactory
{
public:
    std::unique_ptr<WordApplication> createApplication() override
    {
        throw EngineError(QStringLiteral("no engine in this benchmark"));
    }
};

class SilentBoxes : public MessageBoxes
{
public:
    BoxAnswer show(const QString &, const QString &, BoxStyle) override { return BoxAnswer::Ok; }
};
