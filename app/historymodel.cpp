#include "historymodel.h"

#include <QBrush>
#include <QColor>

using namespace Listing;

HistoryModel::HistoryModel(QObject *parent) : QAbstractTableModel(parent) {}

Done HistoryModel::load(const TestHistory &history)
{
    beginResetModel();
    m_rows.clear();
    const Done read = history.forEach(TestHistory::Order::NewestFirst, TestHistory::Part::Listed,
                                      [&](const StoredTest &t) {
                                          m_rows.append({t.number, t.record.time, testRow(t)});
                                          return true;
                                      });
    if (!read)
        m_rows.clear();
    endResetModel();
    return read;
}

qint64 HistoryModel::testNumber(int row) const
{
    return row >= 0 && row < m_rows.size() ? m_rows.at(row).number : 0;
}

int HistoryModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int HistoryModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : TestColumnCount;
}

QVariant HistoryModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size() || index.column() >= TestColumnCount)
        return {};
    const Row &row = m_rows.at(index.row());
    if (role == Qt::DisplayRole)
        return row.texts.at(index.column());
    if (role != Qt::UserRole)
        return {};
    switch (index.column()) {
    case NumberColumn:
        return row.number;
    case DateColumn:
        return row.time;
    default:
        return row.texts.at(index.column());
    }
}

QVariant HistoryModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return testHeader().value(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

DueModel::DueModel(QObject *parent) : QAbstractTableModel(parent) {}

Done DueModel::load(const TestHistory &history, const QDate &today)
{
    beginResetModel();
    m_today = today;
    m_texts.clear();
    Result<QList<DueItem>> items = Listing::dueItems(history);
    m_items = items ? std::move(*items) : QList<DueItem>();
    for (const DueItem &item : std::as_const(m_items))
        m_texts.append(dueRow(item));
    endResetModel();
    return items ? Done() : Done(failure(items.reason()));
}

void DueModel::setHorizon(int days)
{
    m_horizon = days;
    if (!m_items.isEmpty())
        emit dataChanged(index(0, 0), index(rowCount() - 1, DueColumnCount - 1),
                         {Qt::BackgroundRole, Qt::ForegroundRole, StandsOutRole});
}

qint64 DueModel::testNumber(int row) const
{
    return row >= 0 && row < m_items.size() ? m_items.at(row).latest.number : 0;
}

bool DueModel::standsOut(int row) const
{
    return ::standsOut(m_items.at(row).due, m_today, m_horizon);
}

int DueModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_items.size());
}

int DueModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : DueColumnCount;
}

QVariant DueModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_items.size() || index.column() >= DueColumnCount)
        return {};
    const int row = index.row();
    switch (role) {
    case Qt::DisplayRole:
        return m_texts.at(row).at(index.column());
    case Qt::UserRole:
        if (index.column() == DueDateColumn)
            return m_items.at(row).due;
        if (index.column() == LastTestColumn)
            return m_items.at(row).latest.record.time.date();
        return m_texts.at(row).at(index.column());
    case StandsOutRole:
        return standsOut(row);
    case Qt::BackgroundRole:
        // Past in red, soon in amber: what to phone about first.
        if (!standsOut(row))
            return {};
        return QBrush(m_items.at(row).due < m_today ? QColor(0xf8, 0xd0, 0xd0)
                                                    : QColor(0xfc, 0xe8, 0xb0));
    case Qt::ForegroundRole:
        return standsOut(row) ? QVariant(QBrush(Qt::black)) : QVariant();
    default:
        return {};
    }
}

QVariant DueModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return dueHeader().value(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}
