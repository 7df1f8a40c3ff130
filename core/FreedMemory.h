#pragma once

// The C library keeps freed memory for reuse in the arena of the thread
// that used it, and raises its threshold for taking large blocks straight
// from the system each time such a block is freed, up to 32 MB; it then
// keeps up to twice that free on top of every arena. After a few long lists
// (each sheet's text, the PDFs read on several threads, the page pictures)
// the program held 200 MB it had freed, growing with every list.

// Large blocks are taken from the system and given back as soon as they
// are freed, whatever came before. Once, first thing in main().
void ReturnLargeBlocksAtOnce();

// Hands back what the arenas hold free now. Safe from any thread.
void ReturnFreedMemory();

// The same on a worker thread, for a caller whose thread has better things
// to do (the main thread as a window changes).
void ReturnFreedMemoryInBackground();
