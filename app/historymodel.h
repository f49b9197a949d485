#ifndef HISTORYMODEL_H
#define HISTORYMODEL_H

#include "listing.h"

#include <QAbstractTableModel>
#include <QDate>
#include <QList>
#include <QStringList>
#include <QVariant>

// The tests as tables for the history window, by the listing's rows.

class HistoryModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    explicit HistoryModel(QObject *parent = nullptr);

    // Every test, newest first; the model empty when the history cannot be read.
    Done load(const TestHistory &history);
    qint64 testNumber(int row) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    // DisplayRole: the text; Qt::UserRole: a value that sorts right (the
    // number as qint64, the date as QDateTime, text as text).
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    struct Row
    {
        qint64 number;
        QDateTime time;
        QStringList texts;
    };
    QList<Row> m_rows;
};

class DueModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    // True for an entry past or within the horizon.
    static constexpr int StandsOutRole = Qt::UserRole + 1;

    explicit DueModel(QObject *parent = nullptr);

    // Each beacon once, from its latest test, soonest first; the model empty
    // when the history cannot be read.
    Done load(const TestHistory &history, const QDate &today);
    // Days ahead of today that stand out, DueHorizonDays unless changed.
    void setHorizon(int days);
    int horizon() const { return m_horizon; }
    qint64 testNumber(int row) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    // As HistoryModel; Qt::UserRole sorts the dates as QDate. Rows that stand
    // out have a background and foreground, and StandsOutRole true.
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    bool standsOut(int row) const;

    QList<DueItem> m_items;
    QList<QStringList> m_texts;
    QDate m_today;
    int m_horizon = DueHorizonDays;
};

#endif // HISTORYMODEL_H
