#pragma once

#include "labels/LabelStock.h"
#include "labels/StockTemplate.h"

#include <QImage>
#include <QString>
#include <QStringList>

#include <functional>

struct Services;
class LabelSheetHost;
class PictureClipboard;
class WordApplication;

// "Start Creating Template": fills the label sheet with the twelve fields,
// renders its preview picture and hands both to the preview window.
void GenerateLabelSheet(Services &services, LabelSheetHost &host);

// Renders the document's page to the preview picture file "temp.bmp" in the
// temporary folder, through a second engine instance and the clipboard.
// Returns the picture that goes to the file (a null image when none does);
// the file itself is written in the background, see FinishPreviewFiles().
QImage SaveDocAsJPG(Services &services, const QString &documentPath);

// The preview picture file is written, and after its use deleted, on a
// thread of its own, in that order, so that neither holds up the preview's
// first painting; the temporary folder's lock is released after the
// deletion. Waits until all that is done (before the program ends, and
// wherever the folder must be seen settled).
void FinishPreviewFiles();

// Reads the clipboard's picture, up to 1000 attempts; an empty image when none came.
QImage GetClipboardPicture(PictureClipboard &clipboard, int format);

// The location tags of the two reporting procedures above.
inline constexpr char kGenerateLabelSheetTag[] = "in Parcelwise2021/08/31.Form1.PushButton6_Click ";
inline constexpr char kSaveDocAsJpgTag[] = "in Parcelwise2021/08/31.Form1.SaveDocAsJPG ";

// Fixed names in the temporary folder (the template's: kTemplateFileName).
inline constexpr char kPreviewFileName[] = "temp.bmp";

// The value that replaces placeholder block k (1..8, see kPlaceholders),
// read from the host's fields at the moment it is asked for: the k-th line of
// the sender's (1..4) or the recipient's (5..8) address as
// ComposeAddressLines makes them, so a blank field leaves no empty line
// between others (the empty ones come last).
QString PlaceholderValue(const LabelSheetHost &host, int block);
// The same from the field texts held in a list (sender 1..6, recipient
// 7..12, the recipient's country 13th); block 9 is the recipient's line under
// the fourth (a country abroad), empty when there is none.
QString PlaceholderValue(const QStringList &fields, int block);

// Runs one numbered step of a procedure: a reporting procedure reports a
// failure and goes on, a caller without reports lets it throw.
using StepRunner = std::function<void(int step, const std::function<void()> &action)>;

// The eight replace-all blocks on the application's active document, steps
// 116 to 338. valueOf(k) is asked for block k's value when its step runs.
void ReplacePlaceholders(WordApplication *app, const std::function<QString(int block)> &valueOf,
                         const StepRunner &step);
