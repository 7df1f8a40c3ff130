#pragma once

class EngineFactory;
class MessageBoxes;

// Start-up check that the document engine can be started. Creates one
// instance and quits it, silencing every failure of its own. When no instance
// can be created it shows how to install the engine (or, for an installed
// engine that failed to start, what went wrong) and returns false: the caller
// then ends the program before any window shows.
bool EnsureWordAvailable(EngineFactory &engines, MessageBoxes &boxes);
