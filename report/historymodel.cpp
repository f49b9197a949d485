#include "historymodel.h"

#include <QBrush>
#include <QColor>

namespace {

// QDate's own ISO text goes through a printf, which a long list feels.
QString isoDate(const QDate &date)
{
    const int y = date.year(), m = date.month(), d = date.day();
    if (y < 1000 || y > 9999)
        return date.toString(Qt::ISODate);
    const char16_t text[] = {char16_t(u'0' + y / 1000),
                             char16_t(u'0' + y / 100 % 10),
                             char16_t(u'0' + y / 10 % 10),
                             char16_t(u'0' + y % 10),
                             u'-',
                             char16_t(u'0' + m / 10),
                             char16_t(u'0' + m % 10),
                             u'-',
                             char16_t(u'0' + d / 10),
                             char16_t(u'0' + d % 10)};
    return QString(reinterpret_cast<const QChar *>(text), 10);
}

// The columns of a listing row: its header and its text.
const struct ListColumn
{
    const char *header;
    QString (*text)(const StoredTest &);
} ListColumns[] = {
    {"No.", [](const StoredTest &t) { return QString::number(t.number); }},
    {"Date", [](const StoredTest &t) { return isoDate(t.record.time.date()); }},
    {"15 Hex ID", [](const StoredTest &t) { return t.beaconId; }},
    {"Manufacturer", [](const StoredTest &t) { return t.record.beacon.manufacturer; }},
    {"Model", [](const StoredTest &t) { return t.record.beacon.model; }},
    {"Serial number", [](const StoredTest &t) { return t.record.beacon.beaconSerialNo; }},
    {"Vessel", [](const StoredTest &t) { return t.record.beacon.vesselName; }},
    {"Frequency verdict", [](const StoredTest &t) { return t.record.frequencyVerdictText(); }},
    {"Status verdict", [](const StoredTest &t) { return t.record.statusVerdict; }},
    {"Battery expiry", [](const StoredTest &t) { return t.record.beacon.batteryExpiry; }},
    {"Hydrostatic release expiry",
     [](const StoredTest &t) { return t.record.beacon.hydrostaticReleaseExpiry; }},
};

} // namespace

QStringList historyHeader()
{
    QStringList header;
    for (const ListColumn &c : ListColumns)
        header.append(QLatin1String(c.header));
    return header;
}

QStringList historyRow(const StoredTest &test)
{
    QStringList row;
    row.reserve(std::size(ListColumns));
    for (const ListColumn &c : ListColumns)
        row.append(c.text(test));
    return row;
}

// The due rows keep these five where the listing rows have them, so that one
// filter serves both.
static_assert(int(DueModel::BeaconIdColumn) == int(HistoryModel::BeaconIdColumn) &&
              int(DueModel::ManufacturerColumn) == int(HistoryModel::ManufacturerColumn) &&
              int(DueModel::ModelColumn) == int(HistoryModel::ModelColumn) &&
              int(DueModel::SerialColumn) == int(HistoryModel::SerialColumn) &&
              int(DueModel::VesselColumn) == int(HistoryModel::VesselColumn));

bool matchesFilter(const QStringList &row, const QString &text)
{
    if (text.isEmpty())
        return true;
    for (const int column :
         {HistoryModel::BeaconIdColumn, HistoryModel::SerialColumn, HistoryModel::VesselColumn,
          HistoryModel::ManufacturerColumn, HistoryModel::ModelColumn}) {
        if (row.value(column).contains(text, Qt::CaseInsensitive))
            return true;
    }
    return false;
}

HistoryModel::HistoryModel(QObject *parent) : QAbstractTableModel(parent) {}

bool HistoryModel::load(const TestHistory &history)
{
    beginResetModel();
    m_rows.clear();
    const bool read = history.forEach(TestHistory::Order::NewestFirst, TestHistory::Part::Listed,
                                      [&](const StoredTest &t) {
                                          m_rows.append({t.number, t.record.time, historyRow(t)});
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
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant HistoryModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size() || index.column() >= ColumnCount)
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
        return historyHeader().value(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

QStringList dueHeader()
{
    return {QStringLiteral("Due"),       QStringLiteral("What"),
            QStringLiteral("15 Hex ID"), QStringLiteral("Manufacturer"),
            QStringLiteral("Model"),     QStringLiteral("Serial number"),
            QStringLiteral("Vessel"),    QStringLiteral("Last test")};
}

QStringList dueRow(const DueItem &item)
{
    const TestRecord &t = item.latest.record;
    return {item.due.toString(Qt::ISODate),
            item.whatText(),
            item.latest.beaconId,
            t.beacon.manufacturer,
            t.beacon.model,
            t.beacon.beaconSerialNo,
            t.beacon.vesselName,
            t.time.date().toString(Qt::ISODate)};
}

DueModel::DueModel(QObject *parent) : QAbstractTableModel(parent) {}

bool DueModel::load(const TestHistory &history, const QDate &today)
{
    beginResetModel();
    m_today = today;
    m_texts.clear();
    const bool read = dueItems(history, m_items);
    for (const DueItem &item : std::as_const(m_items))
        m_texts.append(dueRow(item));
    endResetModel();
    return read;
}

void DueModel::setHorizon(int days)
{
    m_horizon = days;
    if (!m_items.isEmpty())
        emit dataChanged(index(0, 0), index(rowCount() - 1, ColumnCount - 1),
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
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant DueModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_items.size() || index.column() >= ColumnCount)
        return {};
    const int row = index.row();
    switch (role) {
    case Qt::DisplayRole:
        return m_texts.at(row).at(index.column());
    case Qt::UserRole:
        if (index.column() == DueColumn)
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
