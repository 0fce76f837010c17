#pragma once

#include <QByteArrayView>
#include <QString>
#include <functional>

namespace tolvan {

// The supplier's name for the firm of the session ("DRAVONIK.Lager", LName);
// the empty text when the server knows no such supplier. Connects when needed.
QString supplierName(const QString &supplierNumber);

// Runs the stock query of the supplier in the session's firm and branch and
// hands over its rows in server order, each one UTF-8 text of four line-feed
// separated fields, valid until the next row. `clear` is called once the query has run and its
// first row (or none) is known, so that a query that fails leaves the caller's old rows alone.
// Returns the number of rows.
qsizetype fetchStockList(const QString &supplierNumber, const std::function<void()> &clear,
                         const std::function<void(QByteArrayView row)> &addRow);

} // namespace tolvan
