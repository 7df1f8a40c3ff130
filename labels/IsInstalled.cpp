#include "IsInstalled.h"

// Placeholder until the engine check lands.
bool EnsureWordAvailable(EngineFactory &, MessageBoxes &)
{
    return true;
}
