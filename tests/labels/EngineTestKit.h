#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// Helpers shared by the tests that drive the real office: the placeholder
// phrases, reading saved documents back, and finding what an office left behind.
namespace EngineTestKit {

// The eight placeholder phrases, in the order the generation replaces them.
QStringList placeholderPhrases();

// Writes the program's own label template to `path`.
void writeLabelTemplate(const QString &path);

// The text of a Word document as catdoc reads it (no wrapping, UTF-8).
QString documentText(const QString &path);
bool isCompoundDocument(const QString &path);

// Office processes started by this test process (or by `parent`) that still
// exist, zombies included.
QList<int> ourOfficeProcesses(int parent = 0);
// Pipe sockets and instance folders of offices of this process.
QStringList ourPipeSockets();
QStringList instanceFolders();
// The pipe socket named after an instance's profile (see OfficeProcess).
QString profilePipeSocket(const QString &instanceFolder);
// Everything above at once; empty when all is clean.
QStringList leftovers(const QStringList &profileSockets = {});

} // namespace EngineTestKit
