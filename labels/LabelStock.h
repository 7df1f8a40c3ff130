#pragma once

#include <QList>
#include <QMarginsF>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QStringList>

#include <array>

// A label stock as data: the paper, where its labels lie and how the
// template sets text on them. Everything that places, draws, checks or
// prints labels derives what it needs from one of these records, so a new
// stock is one more entry in LabelStocks() (LabelStock.cpp).
//
// Lengths are in points (1/72 in) from the paper's top-left corner, the
// paper in portrait.
struct LabelStock
{
    QString name;         // what --stock takes, e.g. "5164"
    QString title;        // e.g. "4 x 3-1/3 in, 6 per US Letter sheet"
    QStringList products; // the product numbers that share this geometry
    QSizeF paper;
    int columns = 1;
    int rows = 1;
    QPointF origin; // the first label's top-left corner
    QSizeF pitch;   // from one label's corner to the next one's, across and down
    QSizeF label;
    QMarginsF padding; // keeps the text off the label's edges
    // The text sizes: the recipient's and the sender's as the template has
    // them, and the smallest a label is shrunk to when its text is too long.
    double recipientPoints = 15.0;
    double senderPoints = 9.0;
    double smallestPoints = 7.0;
    int emptyLines = 3; // empty lines between the sender and the recipient

    int labels() const { return columns * rows; }
    // Label 1..labels() in reading order (left to right, then down).
    QRectF labelRect(int number) const;
    // Where a label's text may lie: the label less its bottom padding. The
    // office clips an overfull cell there in its own picture of the page
    // while the PDF still places the line's box inside the label.
    QRectF textArea(int number) const;
    // The label (1..labels()) that holds a point, 0 for none.
    int labelAt(QPointF point) const;
    bool isDefault() const;
};

// Every stock the program offers, the default (the six-up Letter sheet, the
// one the built-in Word template is drawn for) first.
const QList<LabelStock> &LabelStocks();
const LabelStock &DefaultStock();
// The stock with this name or product number ("5164", "Avery 8164",
// "l7166"; case and an "Avery " prefix do not matter); null when unknown.
const LabelStock *FindStock(const QString &nameOrProduct);
// "5164, 4x6, ..." for messages.
QString StockNames();

// The template's paragraph styles of the two addresses.
inline constexpr char kRecipientStyle[] = "ShipToAddress";
inline constexpr char kSenderStyle[] = "ReturnAddress";

// The six roles of an address's fields, as a sentence names them (the
// sender's are fields 1..6, the recipient's 7..12, in this order).
inline constexpr std::array<const char *, 6> kFieldRoles = {"company", "name",  "street address",
                                                            "city",    "state", "ZIP code"};
// A field (1..12, 13 the country line) named in a sentence ("sender's ZIP
// code", "country"), as an option describes it ("Sender ZIP code") or as the
// main window's captions do ("Sender Zip Code").
enum class RoleStyle { Possessive, Plain, Caption };
QString FieldRoleName(int field, RoleStyle style);

// The placeholder phrases of a template, in the order they are replaced,
// and the fields (1..12) each stands for: one field, or city, state and ZIP
// on one line (the lines' texts: PlaceholderValue).
struct Placeholder
{
    const char *phrase;
    int firstField;
    int fields; // 1, or 3 for a city line
};
inline constexpr std::array<Placeholder, 8> kPlaceholders = {{
    {"Sender Company", 1, 1},
    {"Sender Name", 2, 1},
    {"Sender Street Address", 3, 1},
    {"Sender City, State and Zip Code", 4, 3},
    {"Recipient Company", 7, 1},
    {"Recipient Name", 8, 1},
    {"Recipient Street Address", 9, 1},
    {"Recipient City, State and Zip Code", 10, 3},
}};
