#pragma once

#include <QImage>
#include <QString>

struct Services;
class LabelSheetHost;
class PictureClipboard;

// "Start Creating Template": fills the label sheet with the twelve fields,
// renders its preview picture and hands both to the preview window.
void GenerateLabelSheet(Services &services, LabelSheetHost &host);

// Renders the document's page to the preview picture file "temp.bmp" in the
// temporary folder, through a second engine instance and the clipboard.
void SaveDocAsJPG(Services &services, const QString &documentPath);

// Reads the clipboard's picture, up to 1000 attempts; an empty image when none came.
QImage GetClipboardPicture(PictureClipboard &clipboard, int format);
