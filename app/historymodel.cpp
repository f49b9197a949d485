#include "historymodel.h"

#include <QBrush>
#include <QColor>

#include <utility>

using namespace Listing;

ListingModel::ListingModel(QStringList header, SortColumns sortColumns, QObject *parent)
    : QAbstractTableModel(parent), m_header(std::move(header)), m_sortColumns(sortColumns)
{
}

void ListingModel::setRows(QList<ListingRow> rows)
{
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
}

int ListingModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int ListingModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_header.size());
}

QVariant ListingModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    const ListingRow &row = m_rows.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return row.texts.value(index.column());
    case SortRole:
        if (index.column() == m_sortColumns.number)
            return row.number;
        if (index.column() == m_sortColumns.time)
            return row.time;
        if (index.column() == m_sortColumns.due)
            return row.due;
        return row.texts.value(index.column());
    case TestNumberRole:
        return row.number;
    case TextsRole:
        return row.texts;
    default:
        return {};
    }
}

QVariant ListingModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return m_header.value(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

HistoryModel::HistoryModel(QObject *parent)
    : ListingModel(testHeader(), {NumberColumn, DateColumn, -1}, parent)
{
}

Result<QList<ListingRow>> HistoryModel::read(const TestHistory &history, int limit)
{
    QList<ListingRow> rows;
    const Done read = history.forEach(TestHistory::Order::NewestFirst, TestHistory::Part::Listed,
                                      [&](const StoredTest &t) {
                                          rows.append({t.number, testRow(t), t.record.time, {}});
                                          return rows.size() != limit;
                                      });
    if (!read)
        return failure(read.reason());
    return rows;
}

DueModel::DueModel(QObject *parent)
    : ListingModel(dueHeader(), {-1, LastTestColumn, DueDateColumn}, parent),
      m_today(QDate::currentDate())
{
}

Result<QList<ListingRow>> DueModel::read(const TestHistory &history)
{
    const Result<QList<DueItem>> items = dueItems(history);
    if (!items)
        return failure(items.reason());
    QList<ListingRow> rows;
    rows.reserve(items->size());
    for (const DueItem &item : *items)
        rows.append({item.latest.number, dueRow(item), item.latest.record.time, item.due});
    return rows;
}

void DueModel::setToday(const QDate &today)
{
    m_today = today;
    marksChanged();
}

void DueModel::setHorizon(int days)
{
    m_horizon = days;
    marksChanged();
}

void DueModel::marksChanged()
{
    if (!m_rows.isEmpty())
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1),
                         {Qt::BackgroundRole, Qt::ForegroundRole, StandsOutRole});
}

bool DueModel::standsOut(const ListingRow &row) const
{
    return ::standsOut(row.due, m_today, m_horizon);
}

QVariant DueModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    const ListingRow &row = m_rows.at(index.row());
    switch (role) {
    case StandsOutRole:
        return standsOut(row);
    case Qt::BackgroundRole:
        // Past in red, soon in amber: what to phone about first.
        if (!standsOut(row))
            return {};
        return QBrush(row.due < m_today ? QColor(0xf8, 0xd0, 0xd0) : QColor(0xfc, 0xe8, 0xb0));
    case Qt::ForegroundRole:
        return standsOut(row) ? QVariant(QBrush(Qt::black)) : QVariant();
    default:
        return ListingModel::data(index, role);
    }
}
