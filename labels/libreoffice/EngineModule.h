#pragma once

// The entry points of the engine module (parcelon-libreoffice.so), loaded at
// run time by ModuleEngineFactory. Only this header is shared with the
// program: it has no LibreOffice types.

class PictureClipboard;
class WordApplication;

// Raised whenever the entry points or the WordApplication interface change
// incompatibly, so a stale module is refused instead of crashing.
inline constexpr int kEngineModuleInterfaceVersion = 2;

inline constexpr char kEngineModuleVersionSymbol[] = "parcelon_engine_interface_version";
inline constexpr char kEngineModuleCreateSymbol[] = "parcelon_engine_create_application";

extern "C" {
using EngineModuleVersionFunction = int (*)();
// Starts one office and returns the application that owns it (the caller
// deletes it). Throws EngineError, which the program can catch.
using EngineModuleCreateFunction = WordApplication *(*)(PictureClipboard *clipboard);
}
