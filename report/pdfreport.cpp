#include "pdfreport.h"

#include "mainwindow.h"
#include "messagelisting.h"
#include "reportfile.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFile>
#include <QFont>
#include <QImage>
#include <QLoggingCategory>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QPen>
#include <QRect>

#include <iterator>

Q_LOGGING_CATEGORY(lcReport, "vestra.report")

namespace {

constexpr int Resolution = 300;
constexpr int FrameInset = 50;
// Heights of the six sections in percent of the page height, top to bottom.
constexpr int SectionShares[] = {15, 18, 10, 27, 11, 14};
constexpr int FramePenWidth = 8;
constexpr int SectionPenWidth = 5;

constexpr int TitleTop = 30;
constexpr int TitleHeight = 50;
constexpr int DecodingTitleHeight = 60;
constexpr int LabelIndent = 550;
constexpr int FirstRow = 150;
constexpr int RowStep = 50;
// The measurement values stand further right than those of the other sections.
constexpr int ValueOffset = 150;
constexpr int MeasurementValueOffset = 300;
constexpr int ValueMargin = 50;

constexpr int LogoWidth = 476;
constexpr int LogoHeight = 177;
constexpr int LogoFromRight = 600;
constexpr int LogoTop = 50;

QFont arial(int pointSize)
{
    return QFont(QStringLiteral("Arial"), pointSize);
}

void drawTitle(QPainter &painter, const QRect &section, const QString &title,
               int height = TitleHeight)
{
    painter.setFont(arial(12));
    painter.drawText(QRect(section.x(), section.y() + TitleTop, section.width(), height),
                     Qt::AlignCenter, title);
    painter.setFont(arial(10));
}

int rowBaseline(const QRect &section, int row)
{
    return section.y() + FirstRow + RowStep * row;
}

// The value column is measured from the page's left edge, not from the section's.
void drawRow(QPainter &painter, const QRect &section, int valueOffset, int row,
             const QString &label, const QString &value)
{
    const int y = rowBaseline(section, row);
    painter.drawText(QPoint(section.x() + LabelIndent, y), label);
    painter.drawText(QPoint(section.width() / 2 + valueOffset + ValueMargin, y), value);
}

void logSection(const char *tag)
{
    qCDebug(lcReport).noquote() << "PdfReport" << tag;
}

} // namespace

pdfReport::pdfReport(QObject *parent) : QObject(parent) {}

bool pdfReport::createReport(QString fileName, MainWindow *mainWindow)
{
    const bool replacing = QFile::exists(fileName);

    QByteArray pdf;
    {
        QBuffer buffer(&pdf);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        writer.setCreator(QStringLiteral("Halvik"));
        writer.setTitle(QStringLiteral("Beacon report"));
        writer.setPageOrientation(QPageLayout::Portrait);
        writer.setResolution(Resolution);

        const int pageHeight = writer.height();
        const QRect frame(FrameInset, FrameInset, writer.width() - 2 * FrameInset,
                          pageHeight - 2 * FrameInset);
        QRect sections[std::size(SectionShares)];
        int top = frame.top();
        for (std::size_t i = 0; i < std::size(SectionShares); ++i) {
            sections[i] =
                QRect(frame.left(), top, frame.width(), SectionShares[i] * pageHeight / 100);
            top += sections[i].height();
        }

        QPen pen(Qt::black, FramePenWidth);
        QPainter painter;
        if (!painter.begin(&writer))
            return false;
        painter.setPen(pen);
        painter.drawRect(frame);
        pen.setWidth(SectionPenWidth);
        painter.setPen(pen);
        // The frame's bottom edge closes the last section.
        for (std::size_t i = 0; i + 1 < std::size(SectionShares); ++i)
            painter.drawRect(sections[i]);

        logSection("Main");
        drawHeader(painter, sections[0], mainWindow);
        logSection("Sec1");
        drawBeaconInformation(painter, sections[1], mainWindow);
        logSection("Sec2");
        drawMeasurements(painter, sections[2], mainWindow);
        logSection("Sec3");
        drawMessageDecoding(painter, sections[3], mainWindow);
        logSection("Sec4");
        drawReference(painter, sections[4], mainWindow);
        logSection("Sec6");
        drawInstrumentInfo(painter, sections[5], mainWindow);

        if (!painter.end())
            return false;
    }

    // The earlier report stays until the finished one takes its place.
    if (!ReportFile::save(fileName, pdf))
        return false;
    if (replacing)
        qCDebug(lcReport).noquote() << "Deleting old file";
    return true;
}

void pdfReport::drawHeader(QPainter &painter, const QRect &section, MainWindow *mainWindow)
{
    Q_UNUSED(mainWindow);
    painter.setFont(arial(28));
    painter.drawText(QPoint(section.x() + 40, section.y() + 220),
                     QStringLiteral("Kova VESTRA EPIRB Tester"));
    painter.setFont(arial(20));
    painter.drawText(QRect(section.x(), section.y() + section.height() / 2, section.width(),
                           section.height() / 2),
                     Qt::AlignCenter, QStringLiteral("Test report"));

    const QImage logo(QStringLiteral(":Halvik_logo.png"));
    if (!logo.isNull()) {
        painter.drawImage(QRect(section.x() + section.width() - LogoFromRight,
                                section.y() + LogoTop, LogoWidth, LogoHeight),
                          logo);
    }
    painter.setFont(arial(10));
}

void pdfReport::drawBeaconInformation(QPainter &painter, const QRect &section,
                                      MainWindow *mainWindow)
{
    drawTitle(painter, section, QStringLiteral("Beacon Information"));
    const QString rows[][2] = {
        {QStringLiteral("Vessel Name:"), mainWindow->vesselName()},
        {QStringLiteral("Beacon Manufacturer:"), mainWindow->beaconManufacturer()},
        {QStringLiteral("Model:"), mainWindow->beaconModel()},
        {QStringLiteral("Beacon serial number:"), mainWindow->beaconSerialNo()},
        {QStringLiteral("Bracket type:"), mainWindow->bracketType()},
        {QStringLiteral("Bracket serial number:"), mainWindow->bracketSerialNo()},
        {QStringLiteral("Battery expiry:"), mainWindow->batteryExpiry()},
        {QStringLiteral("Hydrostatic release expiry date:"),
         mainWindow->hydrostaticReleaseExpiry()},
        {QStringLiteral("SBM due date:"), mainWindow->sbmDueDate()},
    };
    for (int row = 0; row < int(std::size(rows)); ++row)
        drawRow(painter, section, ValueOffset, row, rows[row][0], rows[row][1]);
}

void pdfReport::drawMeasurements(QPainter &painter, const QRect &section, MainWindow *mainWindow)
{
    drawTitle(painter, section, QStringLiteral("Measurements"));
    drawRow(painter, section, MeasurementValueOffset, 0,
            QStringLiteral("Frequency: (MHz)") + mainWindow->frequencyLimitText(),
            mainWindow->frequencyText());
    drawRow(painter, section, MeasurementValueOffset, 1, QStringLiteral("RF level (dB):"),
            mainWindow->rfLevelText());
    drawRow(painter, section, MeasurementValueOffset, 2, QStringLiteral("Status:"),
            mainWindow->frequencyVerdictText());
    drawRow(painter, section, MeasurementValueOffset, 3, QString(), mainWindow->distressText());
}

void pdfReport::drawMessageDecoding(QPainter &painter, const QRect &section, MainWindow *mainWindow)
{
    drawTitle(painter, section, QStringLiteral("Message decoding"), DecodingTitleHeight);
    // A long listing runs on over the sections below; the page stays one page.
    const QStringList lines = mainWindow->decodedLines();
    for (int row = 0; row < lines.size(); ++row) {
        const ListingRow split = splitListingLine(lines.at(row));
        drawRow(painter, section, ValueOffset, row, split.label, split.value);
    }
}

void pdfReport::drawReference(QPainter &painter, const QRect &section, MainWindow *mainWindow)
{
    drawTitle(painter, section, QStringLiteral("Reference"));
    const int labelX = section.x() + LabelIndent;
    painter.drawText(
        QPoint(labelX, rowBaseline(section, 0)),
        QStringLiteral("IMO MSC.1/Circ. 1040/Rev.2 and SOLAS IV/15.9.1 (Annual test)"));
    painter.drawText(QPoint(labelX, rowBaseline(section, 1)),
                     QStringLiteral("IMO MSC /Circ. 1039 (All revisions) and SOLAS IV/15.9.2 "
                                    "(Shore-based maintainance)"));
    drawRow(painter, section, ValueOffset, 3,
            QStringLiteral("Company:") + mainWindow->companyName(),
            QStringLiteral("Tested by: ") + mainWindow->testedBy());
}

void pdfReport::drawInstrumentInfo(QPainter &painter, const QRect &section, MainWindow *mainWindow)
{
    drawTitle(painter, section, QStringLiteral("Kova VESTRA info"));
    drawRow(painter, section, ValueOffset, 0, QStringLiteral("Serial no:"),
            mainWindow->instrumentSerialNo());
    drawRow(painter, section, ValueOffset, 1, QStringLiteral("Calibration due:"),
            mainWindow->calibrationDue());
    drawRow(painter, section, ValueOffset, 2, QStringLiteral("PC software version:"),
            QCoreApplication::applicationVersion());
    painter.drawText(QPoint(section.x() + 100, section.y() + section.height()),
                     mainWindow->reportDateTime());
}
