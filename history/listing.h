#ifndef LISTING_H
#define LISTING_H

#include "duedates.h"
#include "testhistory.h"

#include <QList>
#include <QString>
#include <QStringList>

// The rows a listing of the history shows: the history window's tables and
// vestra-report's list and due print the same rows, by the same rules.
namespace Listing {

// A test's row: "No.", "Date", "15 Hex ID", "Manufacturer", "Model",
// "Serial number", "Vessel", "Frequency verdict", "Status verdict",
// "Battery expiry", "Hydrostatic release expiry", "Kind of test", "Result",
// "Country" (the ID's country code and the country's name).
enum TestColumn {
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
    KindColumn,
    ResultColumn,
    CountryColumn,
    TestColumnCount
};

// A beacon's row in what falls due: "Due", "What", "15 Hex ID",
// "Manufacturer", "Model", "Serial number", "Vessel", "Last test". The ID,
// manufacturer, model, serial number and vessel stand where a test's row has
// them, so that one filter serves both.
enum DueColumn { DueDateColumn, WhatColumn, LastTestColumn = VesselColumn + 1, DueColumnCount };

QStringList testHeader();
QStringList testRow(const StoredTest &test);
QStringList dueHeader();
QStringList dueRow(const DueItem &item);

// Whether a test's or a beacon's row holds text in its ID, serial number,
// vessel, manufacturer or model, ignoring case; every row for an empty text.
bool matchesFilter(const QStringList &row, const QString &text);

// Every beacon once, from its latest test, soonest due first (then by test
// number).
Result<QList<DueItem>> dueItems(const TestHistory &history);

} // namespace Listing

#endif // LISTING_H
