#include "duedates.h"

#include <QTest>

// What falls due: the date forms a technician types, the first thing due of
// a beacon, and the warnings of an expiry at a test.
class tst_DueDates : public QObject
{
    Q_OBJECT

private slots:
    void dateForms_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QDate>("date");
        const QDate none;
        // clang-format off
        const struct { const char *typed; QDate date; } rows[] = {
            {"2025-05-17", {2025, 5, 17}}, {"2025-05", {2025, 5, 31}}, {"02/2024", {2024, 2, 29}},
            {"02.2025", {2025, 2, 28}}, {"17.05.2025", {2025, 5, 17}}, {" 2025-11 ", {2025, 11, 30}},
            {"2025-13", none}, {"31.02.2025", none}, {"5/2025", none}, {"2025/05", none},
            {"May 2025", none}, {"", none}, {"2025-05-17x", none},
        };
        // clang-format on
        for (const auto &r : rows)
            QTest::newRow(*r.typed ? r.typed : "empty") << QString(r.typed) << r.date;
    }
    void dateForms()
    {
        QFETCH(QString, typed);
        QFETCH(QDate, date);
        QCOMPARE(dueDate(typed), date);
    }

    void dueRules_data()
    {
        // Last test, battery, hydrostatic, SBM; and the day of the last
        // shore-based maintenance recorded without an SBM date, if any.
        QTest::addColumn<QStringList>("dates");
        QTest::addColumn<QDate>("due");
        QTest::addColumn<QString>("what");
        QTest::addColumn<bool>("standsOut"); // on 2026-05-01, 60 days ahead
        // clang-format off
        const struct { const char *tag; QStringList dates; QDate due; const char *what; bool out; } rows[] = {
            {"annual test 12 months on", {"2025-06-15", "2030-01", "", ""}, {2026, 6, 15}, "Annual test", true},
            {"battery first, month's end", {"2026-01-10", "2026-08", "2027-03", ""}, {2026, 8, 31}, "Battery", false},
            {"hydrostatic release, dotted", {"2026-01-10", "", "15.03.2026", "2030-01"}, {2026, 3, 15}, "Hydrostatic release", true},
            {"SBM", {"2026-01-10", "", "", "09/2026"}, {2026, 9, 30}, "SBM", false},
            {"untyped form judged by nobody", {"2026-04-01", "soon", "n/a", ""}, {2027, 4, 1}, "Annual test", false},
            {"tie: annual test first", {"2026-01-10", "2027-01-10", "", ""}, {2027, 1, 10}, "Annual test", false},
            {"horizon's last day", {"2025-06-30", "", "", ""}, {2026, 6, 30}, "Annual test", true},
            {"day after the horizon", {"2025-07-01", "", "", ""}, {2026, 7, 1}, "Annual test", false},
            {"typed SBM date wins", {"2026-04-01", "", "", "2027-09", "2021-06-02"}, {2027, 4, 1}, "Annual test", false},
        };
        // clang-format on
        for (const auto &r : rows)
            QTest::newRow(r.tag) << r.dates << r.due << r.what << r.out;
    }
    void dueRules()
    {
        QFETCH(QStringList, dates);
        QFETCH(QDate, due);
        QFETCH(QString, what);
        QFETCH(bool, standsOut);
        StoredTest test;
        test.record.time = QDateTime(QDate::fromString(dates[0], Qt::ISODate), QTime(9, 0));
        test.record.beacon.batteryExpiry = dates[1];
        test.record.beacon.hydrostaticReleaseExpiry = dates[2];
        test.record.beacon.sbmDueDate = dates[3];
        const DueItem item = dueItem(test, QDate::fromString(dates.value(4), Qt::ISODate));
        QCOMPARE(item.due, due);
        QCOMPARE(item.whatText(), what);
        QCOMPARE(::standsOut(item.due, QDate(2026, 5, 1), DueHorizonDays), standsOut);
    }

    void expiryWarnings_data()
    {
        QTest::addColumn<QString>("battery");
        QTest::addColumn<QString>("hydrostatic");
        QTest::addColumn<QStringList>("lines"); // on 2025-05-31
        QTest::newRow("passed") << "2025-04"
                                << "" << QStringList{"Battery expiry 2025-04 has passed"};
        QTest::newRow("its month's last day")
            << "2025-05"
            << "" << QStringList{"Battery expiry 2025-05 falls before the next annual test"};
        QTest::newRow("at the next test") << "31.05.2026"
                                          << "" << QStringList();
        QTest::newRow("both") << "2026-05-30"
                              << "04/2025"
                              << QStringList{
                                     "Battery expiry 2026-05-30 falls before the next annual test",
                                     "Hydrostatic release expiry 04/2025 has passed"};
        QTest::newRow("untyped") << "soon"
                                 << "" << QStringList();
    }
    void expiryWarnings()
    {
        QFETCH(QString, battery);
        QFETCH(QString, hydrostatic);
        QFETCH(QStringList, lines);
        BeaconFields form;
        form.batteryExpiry = battery;
        form.hydrostaticReleaseExpiry = hydrostatic;
        QCOMPARE(::expiryWarnings(form, QDate(2025, 5, 31)), lines);
    }
};

QTEST_APPLESS_MAIN(tst_DueDates)
#include "tst_duedates.moc"
