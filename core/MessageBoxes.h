#pragma once

#include <QString>

// Modal message boxes behind a seam: production shows real Qt boxes, tests
// record the text, title and style and script the answer.
enum class BoxStyle {
    Information = 0, // OK, no icon
    Warning = 48,    // OK, warning icon
    YesNo = 4,       // Yes and No, no icon
};

enum class BoxAnswer { Ok, Yes, No };

class MessageBoxes
{
public:
    virtual ~MessageBoxes() = default;
    virtual BoxAnswer show(const QString &text, const QString &title, BoxStyle style) = 0;
};
