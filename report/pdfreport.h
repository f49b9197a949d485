#ifndef PDFREPORT_H
#define PDFREPORT_H

#include "result.h"

#include <QDateTime>
#include <QObject>
#include <QString>

QT_BEGIN_NAMESPACE
class QPainter;
class QRect;
QT_END_NAMESPACE

struct TestRecord;

// Draws the test report of a test: one page, and a second one with the test
// record where the technician filled one in (a kind of test chosen).
class pdfReport : public QObject
{
    Q_OBJECT

public:
    explicit pdfReport(QObject *parent = nullptr);

    // Writes the report to fileName, replacing a report already there only
    // once the new one is complete. Refused, in the system's words where it
    // has them, when nothing usable was written; any earlier file of that
    // name is then left as it was. A reprint names its own moment below the
    // test's date line.
    Done createReport(QString fileName, const TestRecord &record,
                      const QDateTime &reprinted = QDateTime());

private:
    void drawHeader(QPainter &painter, const QRect &section);
    void drawBeaconInformation(QPainter &painter, const QRect &section, const TestRecord &record);
    void drawMeasurements(QPainter &painter, const QRect &section, const TestRecord &record);
    void drawMessageDecoding(QPainter &painter, const QRect &section, const TestRecord &record);
    void drawReference(QPainter &painter, const QRect &section, const TestRecord &record);
    void drawInstrumentInfo(QPainter &painter, const QRect &section, const TestRecord &record,
                            const QDateTime &reprinted);
    void drawTestRecord(QPainter &painter, const QRect &frame, const TestRecord &record);
};

#endif // PDFREPORT_H
