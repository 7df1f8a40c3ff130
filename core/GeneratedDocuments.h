#pragma once

#include <QString>

// The generated documents ("qmtemp" + eight digits + ".doc" in the temporary
// folder) hold the addresses, so none may outlive the program that made it.
// Each gets an owner marker beside it, the document's name + ".owner", on
// which its program keeps an exclusive flock for as long as the document is
// in use. The kernel drops that lock when the program dies however it dies
// (kill -9 included), so a later start can tell a left-over document from
// one that another running copy is showing.
//
// Order, which makes the sweep below safe beside live copies: the marker is
// created and locked before the document is written, and removed only after
// the document is deleted.

// Claims the document name for this program before anything is written
// under it. False when the name is taken: its document or marker exists, or
// a sweep is removing it. Throws Failure when the marker cannot be created.
bool ClaimGeneratedDocument(const QString &path);

// Deletes the document (a regular file only, as DeleteFileQuietly does) and,
// when this program claimed it, its marker and claim. Never fails.
void DeleteGeneratedDocument(const QString &path);

// Deletes every document this program still holds (the program's end).
void DeleteGeneratedDocuments();

// Removes, in the folder, every generated document of this user whose
// program is gone: no marker, or a marker nobody holds a lock on. Markers
// left without a document go too. A document whose marker is locked belongs
// to a running copy and stays. Never fails, never reports.
void RemoveOrphanedDocuments(const QString &folder);
