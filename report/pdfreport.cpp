#include "pdfreport.h"

#include "messagelisting.h"
#include "reportfile.h"
#include "reportlog.h"
#include "sheetresult.h"
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

        if (record.sheet.isFilledIn()) {
            logSection("Record");
            if (!writer.newPage())
                return failure(QLatin1String(PageNotDrawn));
            pen.setWidth(FramePenWidth);
            painter.setPen(pen);
            painter.drawRect(frame);
            pen.setWidth(SectionPenWidth);
            painter.setPen(pen);
            drawTestRecord(painter, frame, record);
        }

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

namespace {

// The second page: sections one under the other, each as high as it needs,
// the signatures at the foot of the frame.
constexpr int RecordIndent = 60;
constexpr int RecordRowStep = 48;
constexpr int RecordTitleHeight = 90;
constexpr int SignatureHeight = 330;
constexpr int ColumnGap = 20;
// Column starts across the frame, in thousandths of its width.
constexpr int IdentityColumns[] = {0, 170, 450, 700};
constexpr int CheckColumns[] = {0, 50, 640, 720};

QString byText(const CheckResult &checked)
{
    if (checked.by == AnsweredBy::Nobody)
        return QStringLiteral("not answered");
    if (checked.overruled())
        return checked.byText() + QStringLiteral(" (technician: ") +
               answerText(checked.technician) + u')';
    return checked.byText();
}

QString outcomeText(const IdentityCheck &check)
{
    switch (check.outcome) {
    case IdentityCheck::Outcome::Same:
        return QStringLiteral("The same");
    case IdentityCheck::Outcome::Differs:
        return QStringLiteral("Differs");
    case IdentityCheck::Outcome::NotCompared:
        break;
    }
    // Why not, with a capital: "None typed", "Not in this protocol".
    return check.note.left(1).toUpper() + check.note.mid(1);
}

// Draws rows of cells from the top of area down, one row every step; the
// cells start at the given thousandths of the area's width and are cut short
// where the next one begins. Returns the baseline below the last row.
template <std::size_t N>
int drawTable(QPainter &painter, const QRect &area, int top, const int (&columns)[N],
              const QList<QStringList> &rows)
{
    int y = top;
    for (const QStringList &row : rows) {
        // The column titles of the first row get a rule under them.
        if (y == top + RecordRowStep)
            painter.drawLine(area.x() + RecordIndent, y + 14, area.right() - RecordIndent, y + 14);
        y += RecordRowStep;
        for (std::size_t c = 0; c < N && c < std::size_t(row.size()); ++c) {
            const int width = area.width() - 2 * RecordIndent;
            const int left = area.x() + RecordIndent + columns[c] * width / 1000;
            const int right =
                c + 1 < N ? area.x() + RecordIndent + columns[c + 1] * width / 1000 - ColumnGap
                          : area.right() - RecordIndent;
            painter.drawText(QPoint(left, y), painter.fontMetrics().elidedText(
                                                  row.at(int(c)), Qt::ElideRight, right - left));
        }
    }
    return y;
}

// A section's rectangle and title; the rows start below the title.
int drawRecordTitle(QPainter &painter, const QRect &section, const QString &title)
{
    painter.drawRect(section);
    painter.setFont(arial(12));
    painter.drawText(QRect(section.x(), section.y() + 10, section.width(), RecordTitleHeight - 20),
                     Qt::AlignCenter, title);
    painter.setFont(arial(10));
    return section.y() + RecordTitleHeight - RecordRowStep + 20;
}

} // namespace

void pdfReport::drawTestRecord(QPainter &painter, const QRect &frame, const TestRecord &record)
{
    const SheetResult result = assessSheet(record);
    const TestRecordSheet &sheet = record.sheet;
    const BeaconFields &beacon = record.beacon;
    int top = frame.top();

    // Which test this page belongs to, should it be parted from the first.
    painter.setFont(arial(20));
    painter.drawText(QRect(frame.x(), top + 30, frame.width(), 110), Qt::AlignCenter,
                     QStringLiteral("Test record"));
    painter.setFont(arial(12));
    painter.drawText(QRect(frame.x(), top + 140, frame.width(), 70), Qt::AlignCenter,
                     testKindText(sheet.kind));
    painter.setFont(arial(10));
    const QString beaconLine = QStringList{beacon.manufacturer, beacon.model,
                                           QStringLiteral("SN ") + beacon.beaconSerialNo}
                                   .join(u' ') +
                               QStringLiteral(", tested ") + record.dateLine();
    painter.drawText(QRect(frame.x(), top + 210, frame.width(), 60), Qt::AlignCenter, beaconLine);
    top += 300;

    QList<QStringList> shipRows{
        {QString(), QStringLiteral("Beacon carries"), QStringLiteral("Ship's or label's"),
         QStringLiteral("Held against it")},
        {QStringLiteral("Vessel name"), QString(), beacon.vesselName},
        {QStringLiteral("IMO number"), QString(), sheet.ship.imoNumber.trimmed()},
    };
    for (const IdentityCheck &check : result.identity)
        shipRows << QStringList{check.whatText(), check.beacon, check.ship, outcomeText(check)};
    QRect section(frame.x(), top, frame.width(),
                  RecordTitleHeight + RecordRowStep * int(shipRows.size()) + 30);
    drawTable(painter, frame,
              drawRecordTitle(painter, section, QStringLiteral("Ship and identity")),
              IdentityColumns, shipRows);
    top = section.bottom() + 1;

    QList<QStringList> checkRows{{QStringLiteral("No."), QStringLiteral("Check"),
                                  QStringLiteral("Answer"), QStringLiteral("Answered by")}};
    for (const CheckResult &checked : result.checks)
        checkRows << QStringList{QString::number(checkNumber(checked.check)),
                                 QLatin1String(checked.check->text), answerText(checked.answer),
                                 byText(checked)};
    section = QRect(frame.x(), top, frame.width(),
                    RecordTitleHeight + RecordRowStep * int(checkRows.size()) + 30);
    drawTable(painter, frame, drawRecordTitle(painter, section, QStringLiteral("Checks")),
              CheckColumns, checkRows);
    top = section.bottom() + 1;

    // The result with its reasons, then the remarks in the room that is left.
    QStringList resultLines = result.reasons;
    const int resultHeight = RecordTitleHeight + 80 + RecordRowStep * int(resultLines.size()) + 30;
    const int signatureTop = frame.bottom() - SignatureHeight;
    // However many reasons, the remarks keep a few lines.
    const int remarksHeight =
        qMax(signatureTop - resultHeight - top, RecordTitleHeight + 3 * RecordRowStep);
    section = QRect(frame.x(), top, frame.width(), remarksHeight);
    drawRecordTitle(painter, section, QStringLiteral("Remarks"));
    const QRect remarksBox = section.adjusted(RecordIndent, RecordTitleHeight, -RecordIndent, -20);
    // A long text gets a smaller font rather than lose its end.
    for (int size = 10; size >= 6; --size) {
        painter.setFont(arial(size));
        if (size == 6 ||
            painter.boundingRect(remarksBox, Qt::TextWordWrap, sheet.remarks).height() <=
                remarksBox.height())
            break;
    }
    painter.drawText(remarksBox, Qt::TextWordWrap, sheet.remarks);
    painter.setFont(arial(10));
    top = section.bottom() + 1;

    section = QRect(frame.x(), top, frame.width(), signatureTop - top);
    int y = drawRecordTitle(painter, section, QStringLiteral("Result"));
    QFont verdict = arial(14);
    verdict.setBold(true);
    painter.setFont(verdict);
    painter.drawText(QPoint(frame.x() + RecordIndent, y + 80), result.resultText());
    painter.setFont(arial(10));
    y += 80;
    for (const QString &reason : std::as_const(resultLines)) {
        y += RecordRowStep;
        painter.drawText(QPoint(frame.x() + RecordIndent, y),
                         painter.fontMetrics().elidedText(reason, Qt::ElideRight,
                                                          frame.width() - 2 * RecordIndent));
    }

    // Lines to sign on and a box for the stamp.
    const QRect signature(frame.x(), signatureTop, frame.width() / 2, SignatureHeight);
    const QRect stamp(signature.right() + 1, signatureTop, frame.right() - signature.right(),
                      SignatureHeight);
    painter.drawRect(signature);
    painter.drawRect(stamp);
    const int left = signature.x() + RecordIndent;
    painter.drawText(QPoint(left, signatureTop + 70), QStringLiteral("Technician's signature"));
    painter.drawLine(left, signatureTop + 220, signature.right() - RecordIndent,
                     signatureTop + 220);
    painter.drawText(QPoint(left, signatureTop + 280),
                     QStringLiteral("Tested by: ") + beacon.testedBy);
    painter.drawText(QPoint(stamp.x() + RecordIndent, signatureTop + 70),
                     QStringLiteral("Station's stamp"));
    painter.drawText(QPoint(stamp.x() + RecordIndent, signatureTop + 280),
                     QStringLiteral("Company: ") + beacon.companyName);
}
