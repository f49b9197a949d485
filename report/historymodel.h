#ifndef HISTORYMODEL_H
#define HISTORYMODEL_H

#include "duedates.h"
#include "testhistory.h"

#include <QAbstractTableModel>
#include <QDate>
#include <QList>
#include <QStringList>
#include <QVariant>

// The tests as tables for a view and for `vestra-report`. No window in here:
// the history window shows these models, `list` and `due` print the same rows.

// The columns of a test's row, as `list` prints them and the history window
// shows them: "No.", "Date", "15 Hex ID", "Manufacturer", "Model",
// "Serial number", "Vessel", "Frequency verdict", "Status verdict",
// "Battery expiry", "Hydrostatic release expiry".
QStringList historyHeader();
QStringList historyRow(const StoredTest &test);
// Whether a listing row, or a due row, holds text in its ID, serial number,
// vessel, manufacturer or model, ignoring case; every row for an empty text.
bool matchesFilter(const QStringList &row, const QString &text);

class HistoryModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column {
        NumberColumn,
        DateColumn,
        BeaconIdColumn,
        ManufacturerColumn,
        ModelColumn,
        SerialColumn,
        VesselColumn,
        FrequencyVerdictColumn,
        StatusVerdictColumn,
        BatteryColumn,
        HydrostaticColumn,
        ColumnCount
    };

    explicit HistoryModel(QObject *parent = nullptr);

    // Every test, newest first. False, and the model empty, when the history
    // cannot be read; history.errorString() says why.
    bool load(const TestHistory &history);
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

// The columns of a beacon's row in what falls due: "Due", "What",
// "15 Hex ID", "Manufacturer", "Model", "Serial number", "Vessel",
// "Last test".
QStringList dueHeader();
QStringList dueRow(const DueItem &item);

class DueModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column {
        DueColumn,
        WhatColumn,
        BeaconIdColumn,
        ManufacturerColumn,
        ModelColumn,
        SerialColumn,
        VesselColumn,
        LastTestColumn,
        ColumnCount
    };
    // True for an entry past or within the horizon.
    static constexpr int StandsOutRole = Qt::UserRole + 1;

    explicit DueModel(QObject *parent = nullptr);

    // Each beacon once, from its latest test, soonest first. False, and the
    // model empty, when the history cannot be read.
    bool load(const TestHistory &history, const QDate &today);
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
