#pragma once

#include "core/Failure.h"

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <map>
#include <utility>

// Which columns of a list's header fill which field of an address.
namespace AddressList {

// The fields of a list row, numbered as the text boxes are (1..12), and the
// country, which has no text box.
enum Field : int {
    SenderCompany = 1,
    SenderName,
    SenderStreet,
    SenderCity,
    SenderState,
    SenderZip,
    RecipientCompany,
    RecipientName,
    RecipientStreet,
    RecipientCity,
    RecipientState,
    RecipientZip,
    RecipientCountry,
};

inline constexpr int kCountryField = RecipientCountry;

inline bool isSenderField(int field)
{
    return field >= SenderCompany && field <= SenderZip;
}

// "sender_company" .. "sender_zip" for 1..6, "recipient_company" ..
// "recipient_zip" for 7..12, "recipient_country" for 13.
QString columnName(int field);

// The part of a field a column holds.
// LeadOfAddress: a whole address in one cell, of which the name before the
// first comma is taken where the rest starts with the row's street.
enum class Part { Whole, Line2, Line3, FirstName, LastName, LeadOfAddress };

// A column name the lists of some program or shop use, as they write it,
// and what it holds.
struct KnownColumn
{
    const char *name;
    int field; // 1..13
    Part part;
};

// The one table of known column names. Header names are compared in any
// letter case, with spaces, hyphens and underscores alike. Where a list has
// several columns for the same field and part, the one earlier here wins.
const QList<KnownColumn> &knownColumns();

// The field (1..13) and column a "--map" text such as
// "recipient_name=Ship To" names. Throws Failure saying what is wrong.
std::pair<int, QString> parseMapping(const QString &text);

// The columns of a header that fill each field part.
struct ListColumns
{
    // (field, part) -> the column indexes, joined in this order
    std::map<std::pair<int, Part>, QList<int>> columnsOf;

    bool usesColumn(int column) const;
    // Whether the list gives where a recipient lives, not only who it is.
    bool hasRecipientAddress() const;
    bool hasSender() const;
};

// The columns that say which order a row belongs to and whether that order
// still waits to be sent; -1 where the list has none.
struct OrderColumns
{
    int order = -1;
    struct Status
    {
        int column;
        enum Kind { Words, OrderWords, DoneWhenFilled } kind;
    };
    QList<Status> statuses;
};

// The order number and status columns of a header: Shopify's "Name" beside
// its "Lineitem name", "Order ID", "order-id", eBay's "Order Number", and the
// fulfilment, financial and order status columns and "shipped" dates.
OrderColumns recogniseOrderColumns(const QStringList &header);

// Whether a status cell marks its order cancelled, refunded, voided or
// already fulfilled or shipped.
bool marksOrderDone(const OrderColumns::Status &status, const QString &cell);

// A list none of whose columns gives where the recipient lives: the
// refusal, and the list's column names for the window to offer instead.
class ColumnsNotRecognised : public Failure
{
public:
    ColumnsNotRecognised(QString description, QStringList header)
        : Failure(std::move(description))
        , m_header(std::move(header))
    {
    }
    const QStringList &header() const { return m_header; }

private:
    QStringList m_header;
};

// The columns of `header` by the table, `columnOfField` (field -> a column
// name, or several joined with "+") over it. `where` names the header line in
// messages. Throws Failure for a column named twice and a mapped column the
// header lacks, ColumnsNotRecognised for a header with no column for the
// recipient's street, city or ZIP code.
ListColumns recogniseColumns(const QStringList &header, const QString &where, const QMap<int, QString> &columnOfField);

} // namespace AddressList
