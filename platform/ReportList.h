#pragma once

#include <QTreeView>

namespace tolvan {

class RowTextModel;

// The list with report columns: one text per row whose column values are
// joined by line feeds; the text is split into columns only when a cell is drawn.
class ReportList : public QTreeView {
    Q_OBJECT
public:
    explicit ReportList(QWidget *parent = nullptr);
    ~ReportList() override;

    void clear();
    // Appends a row; rows added in one go reach the view together.
    void addRow(const QString &text);
    void addUtf8Row(QByteArrayView text);
    int rowCount() const;
    // The row's whole text as it was added; rows count from 0.
    QString rowText(int row) const;

private:
    RowTextModel *m_model;
};

} // namespace tolvan
