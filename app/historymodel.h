#ifndef HISTORYMODEL_H
#define HISTORYMODEL_H

#include "listing.h"
#include "result.h"

#include <QAbstractTableModel>
#include <QDate>
#include <QDateTime>
#include <QList>
#include <QStringList>
#include <QVariant>

// The history window's tables: every test, newest first, and what falls due.
// Their rows are read from the history on any thread and handed to the
// models as values.

// A row of either table: the test it stands for (in what falls due, the
// beacon's latest), its texts by the listing's columns, and the moments
// that sort and mark it.
struct ListingRow
{
    qint64 number = 0;
    QStringList texts;
    QDateTime time;
    // What falls due: when.
    QDate due;
};

class ListingModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Role {
        // A value that sorts right: the number as qint64, a date as a date,
        // text as text.
        SortRole = Qt::UserRole,
        // The number of the test a row stands for.
        TestNumberRole,
        // The row's texts, for Listing::matchesFilter.
        TextsRole,
    };

    // In place of the rows shown so far.
    void setRows(QList<ListingRow> rows);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

protected:
    // The columns that sort by the row's number, time or due date rather
    // than by their text; -1 for none.
    struct SortColumns
    {
        int number = -1;
        int time = -1;
        int due = -1;
    };
    ListingModel(QStringList header, SortColumns sortColumns, QObject *parent);

    QList<ListingRow> m_rows;

private:
    QStringList m_header;
    SortColumns m_sortColumns;
};

class HistoryModel : public ListingModel
{
    Q_OBJECT

public:
    explicit HistoryModel(QObject *parent = nullptr);

    // The newest tests, at most limit of them (-1: all), newest first.
    static Result<QList<ListingRow>> read(const TestHistory &history, int limit = -1);
};

class DueModel : public ListingModel
{
    Q_OBJECT

public:
    // True for an entry past or within the horizon.
    static constexpr int StandsOutRole = TextsRole + 1;

    explicit DueModel(QObject *parent = nullptr);

    // Each beacon once, from its latest test, soonest first.
    static Result<QList<ListingRow>> read(const TestHistory &history);
    // The day what falls due is counted from.
    void setToday(const QDate &today);
    // Days ahead of today that stand out, DueHorizonDays unless changed.
    void setHorizon(int days);

    // As ListingModel; rows that stand out have a background and foreground,
    // and StandsOutRole true.
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

private:
    bool standsOut(const ListingRow &row) const;
    void marksChanged();

    QDate m_today;
    int m_horizon = DueHorizonDays;
};

#endif // HISTORYMODEL_H
