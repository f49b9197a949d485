#ifndef PDFREPORT_H
#define PDFREPORT_H

#include <QObject>
#include <QString>

QT_BEGIN_NAMESPACE
class QPainter;
class QRect;
QT_END_NAMESPACE

class MainWindow;

// Draws the one-page test report from what the main window shows now.
class pdfReport : public QObject
{
    Q_OBJECT

public:
    explicit pdfReport(QObject *parent);

    // Writes the report to fileName, replacing a report already there only
    // once the new one is complete. False when nothing usable was written;
    // any earlier file of that name is then left as it was.
    bool createReport(QString fileName, MainWindow *mainWindow);

private:
    void drawHeader(QPainter &painter, const QRect &section, MainWindow *mainWindow);
    void drawBeaconInformation(QPainter &painter, const QRect &section, MainWindow *mainWindow);
    void drawMeasurements(QPainter &painter, const QRect &section, MainWindow *mainWindow);
    void drawMessageDecoding(QPainter &painter, const QRect &section, MainWindow *mainWindow);
    void drawReference(QPainter &painter, const QRect &section, MainWindow *mainWindow);
    void drawInstrumentInfo(QPainter &painter, const QRect &section, MainWindow *mainWindow);
};

#endif // PDFREPORT_H
