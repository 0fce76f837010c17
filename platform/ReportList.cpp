#include "ReportList.h"

#include "RowFields.h"
#include "RowTexts.h"

#include <QAbstractTableModel>
#include <QHeaderView>

namespace tolvan {

// The four report columns over the row texts. Rows appended are announced to
// the view once control returns to the event loop, in one insertion.
class RowTextModel : public QAbstractTableModel {
public:
    explicit RowTextModel(QObject *parent) : QAbstractTableModel(parent) {}

    int rowCount(const QModelIndex &parent = {}) const override
    {
        return parent.isValid() ? 0 : int(m_announced);
    }
    int columnCount(const QModelIndex &parent = {}) const override
    {
        return parent.isValid() ? 0 : ColumnCount;
    }

    QVariant data(const QModelIndex &index, int role) const override
    {
        if (role == Qt::TextAlignmentRole)
            return index.column() == QuantityColumn ? QVariant(Qt::AlignRight | Qt::AlignVCenter)
                                                    : QVariant(Qt::AlignLeft | Qt::AlignVCenter);
        if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
            return {};
        const QString text = m_texts.at(index.row());
        return rowField(QStringView(text), u'\n', index.column() + 1).toString();
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation != Qt::Horizontal)
            return {};
        if (role == Qt::DisplayRole) {
            static const char *const headers[ColumnCount] = {"Art.-Nr", "Bezeichnung", "EAN",
                                                             "Lagerstand"};
            return QString::fromLatin1(headers[section]);
        }
        if (role == Qt::TextAlignmentRole && section == QuantityColumn)
            return QVariant(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    }

    void clear()
    {
        beginResetModel();
        m_texts.clear();
        m_announced = 0;
        m_announcing = false;
        endResetModel();
    }

    void add(const QString &text)
    {
        m_texts.append(text);
        announceLater();
    }
    void addUtf8(QByteArrayView text)
    {
        m_texts.appendUtf8(text);
        announceLater();
    }
    void announceLater()
    {
        if (!m_announcing) {
            m_announcing = true;
            QMetaObject::invokeMethod(this, &RowTextModel::announce, Qt::QueuedConnection);
        }
    }

    const RowTexts &texts() const { return m_texts; }

    static constexpr int ColumnCount = 4;
    static constexpr int QuantityColumn = 3;

private:
    void announce()
    {
        m_announcing = false;
        if (m_texts.size() == m_announced)
            return;
        beginInsertRows({}, int(m_announced), int(m_texts.size() - 1));
        m_announced = m_texts.size();
        endInsertRows();
    }

    RowTexts m_texts;
    qsizetype m_announced = 0;
    bool m_announcing = false;
};

ReportList::ReportList(QWidget *parent) : QTreeView(parent), m_model(new RowTextModel(this))
{
    setModel(m_model);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTextElideMode(Qt::ElideNone);
    header()->setStretchLastSection(false);
    header()->setSectionsMovable(false);
    const int widths[] = {75, 200, 120, 60};
    for (int column = 0; column < RowTextModel::ColumnCount; ++column)
        header()->resizeSection(column, widths[column]);

    // White background; texts in the button-text colour.
    QPalette colours = palette();
    colours.setColor(QPalette::Base, Qt::white);
    colours.setColor(QPalette::Text, colours.color(QPalette::ButtonText));
    setPalette(colours);
}

ReportList::~ReportList() = default;

void ReportList::clear()
{
    m_model->clear();
}

void ReportList::addRow(const QString &text)
{
    m_model->add(text);
}

void ReportList::addUtf8Row(QByteArrayView text)
{
    m_model->addUtf8(text);
}

int ReportList::rowCount() const
{
    return int(m_model->texts().size());
}

QString ReportList::rowText(int row) const
{
    if (row < 0 || row >= rowCount())
        return {};
    return m_model->texts().at(row);
}

} // namespace tolvan
