#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <functional>
#include <optional>

namespace tolvan {

// The supplier's name for the firm of the session ("DRAVONIK.Lager", LName);
// the empty text when the server knows no such supplier. Connects when needed.
QString supplierName(const QString &supplierNumber);

// Whether the session's firm has the session's branch ("DRAVONIK.Lager",
// HatFiliale); nothing when the server cannot tell (an object server without
// that method). Connects when needed.
std::optional<bool> branchKnown();

// One row of the stock list, four line-feed separated fields: the UTF-8 bytes
// the server read where it gives them (its own engines), else the text (the
// object server). Valid until the next row.
struct StockRow {
    bool isUtf8;
    QByteArrayView utf8;
    QStringView text;
};

// The fields of the rows the caller needs: all four (the list), or EAN and
// quantity only (the export file), where the server may leave the article
// number and description empty.
enum class StockFields { All, ForExport };

// Runs the stock query of the supplier in the session's firm and branch and
// hands over its rows in server order. `clear` is called once the query has
// run and its first row (or none) is known, so that a query that fails leaves
// the caller's old rows alone. Returns the number of rows.
qsizetype fetchStockList(const QString &supplierNumber, const std::function<void()> &clear,
                         const std::function<void(const StockRow &row)> &addRow,
                         StockFields fields = StockFields::All);

} // namespace tolvan
