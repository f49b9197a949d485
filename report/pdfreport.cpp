#include "pdfreport.h"

#include "messagelisting.h"
#include "reportfile.h"
#include "reportlog.h"
#include "testrecord.h"

#include <QBuffer>
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

const char PageNotDrawn[] = "The page cannot be drawn";

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

Done pdfReport::createReport(QString fileName, const TestRecord &record, const QDateTime &reprinted)
{
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
            return failure(QLatin1String(PageNotDrawn));
        painter.setPen(pen);
        painter.drawRect(frame);
        pen.setWidth(SectionPenWidth);
        painter.setPen(pen);
        // The frame's bottom edge closes the last section.
        for (std::size_t i = 0; i + 1 < std::size(SectionShares); ++i)
            painter.drawRect(sections[i]);

        logSection("Sec1");
        drawHeader(painter, sections[0]);
        logSection("Sec2");
        drawBeaconInformation(painter, sections[1], record);
        logSection("Sec3");
        drawMeasurements(painter, sections[2], record);
        logSection("Sec4");
        drawMessageDecoding(painter, sections[3], record);
        logSection("Sec5");
        drawReference(painter, sections[4], record);
        logSection("Sec6");
        drawInstrumentInfo(painter, sections[5], record, reprinted);

        if (!painter.end())
            return failure(QLatin1String(PageNotDrawn));
    }

    // The earlier report stays until the finished one takes its place.
    return ReportFile::save(fileName, pdf);
}

void pdfReport::drawHeader(QPainter &painter, const QRect &section)
{
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
                                      const TestRecord &record)
{
    drawTitle(painter, section, QStringLiteral("Beacon Information"));
    const QString rows[][2] = {
        {QStringLiteral("Vessel Name:"), record.beacon.vesselName},
        {QStringLiteral("Beacon Manufacturer:"), record.beacon.manufacturer},
        {QStringLiteral("Model:"), record.beacon.model},
        {QStringLiteral("Beacon serial number:"), record.beacon.beaconSerialNo},
        {QStringLiteral("Bracket type:"), record.beacon.bracketType},
        {QStringLiteral("Bracket serial number:"), record.beacon.bracketSerialNo},
        {QStringLiteral("Battery expiry:"), record.beacon.batteryExpiry},
        {QStringLiteral("Hydrostatic release expiry date:"),
         record.beacon.hydrostaticReleaseExpiry},
        {QStringLiteral("SBM due date:"), record.beacon.sbmDueDate},
    };
    for (int row = 0; row < int(std::size(rows)); ++row)
        drawRow(painter, section, ValueOffset, row, rows[row][0], rows[row][1]);
}

void pdfReport::drawMeasurements(QPainter &painter, const QRect &section, const TestRecord &record)
{
    drawTitle(painter, section, QStringLiteral("Measurements"));
    drawRow(painter, section, MeasurementValueOffset, 0,
            QStringLiteral("Frequency: (MHz)") + record.frequencyLimitText(), record.frequency);
    drawRow(painter, section, MeasurementValueOffset, 1, QStringLiteral("RF level (dB):"),
            record.rfLevel);
    drawRow(painter, section, MeasurementValueOffset, 2, QStringLiteral("Status:"),
            record.frequencyVerdictText());
    drawRow(painter, section, MeasurementValueOffset, 3, QString(), record.distressText());
}

void pdfReport::drawMessageDecoding(QPainter &painter, const QRect &section,
                                    const TestRecord &record)
{
    drawTitle(painter, section, QStringLiteral("Message decoding"), DecodingTitleHeight);
    // A long listing runs on over the sections below; the page stays one page.
    QStringList lines;
    record.listing(lines);
    for (int row = 0; row < lines.size(); ++row) {
        const ListingRow split = splitListingLine(lines.at(row));
        drawRow(painter, section, ValueOffset, row, split.label, split.value);
    }
}

void pdfReport::drawReference(QPainter &painter, const QRect &section, const TestRecord &record)
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
            QStringLiteral("Company:") + record.beacon.companyName,
            QStringLiteral("Tested by: ") + record.beacon.testedBy);
}

void pdfReport::drawInstrumentInfo(QPainter &painter, const QRect &section,
                                   const TestRecord &record, const QDateTime &reprinted)
{
    drawTitle(painter, section, QStringLiteral("Kova VESTRA info"));
    drawRow(painter, section, ValueOffset, 0, QStringLiteral("Serial no:"),
            record.instrumentSerialNo);
    drawRow(painter, section, ValueOffset, 1, QStringLiteral("Calibration due:"),
            record.calibrationDue);
    drawRow(painter, section, ValueOffset, 2, QStringLiteral("PC software version:"),
            record.programVersion);
    const QPoint dateLine(section.x() + 100, section.y() + section.height());
    painter.drawText(dateLine, record.dateLine());
    // In the strip below the last section, so that nobody takes it for a new test.
    if (reprinted.isValid())
        painter.drawText(dateLine + QPoint(0, RowStep),
                         QStringLiteral("Reprinted from the test history on ") +
                             reportDateText(reprinted));
}
