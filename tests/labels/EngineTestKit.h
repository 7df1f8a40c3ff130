#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

class EngineFactory;

// Helpers shared by the engine tests: a label document to work on, reading
// saved documents back with catdoc, and finding what an office left behind.
namespace EngineTestKit {

// The eight placeholder phrases, in the order the generation replaces them.
QStringList placeholderPhrases();

// Writes a Word 97 label template (six labels, each phrase once per label)
// to `path`: the program's own template when it has been built in, else one
// made from a small Flat ODT through the engine itself.
void writeLabelTemplate(EngineFactory &engines, const QString &path);

// The text of a Word document as catdoc reads it (no wrapping, UTF-8).
QString documentText(const QString &path);

// Whether the file starts with the OLE compound-document signature.
bool isCompoundDocument(const QString &path);

// Office processes started by this test process that still exist (zombies included).
QList<int> ourOfficeProcesses();
// Pipe sockets and instance folders of offices of this process.
QStringList ourPipeSockets();
QStringList instanceFolders();
// The pipe socket named after an instance's profile (see OfficeProcess).
QString profilePipeSocket(const QString &instanceFolder);

// Everything above at once, as one readable list; empty when all is clean.
QStringList leftovers(const QStringList &profileSockets = {});

} // namespace EngineTestKit
