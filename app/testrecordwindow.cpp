#include "testrecordwindow.h"

#include "beaconidentity.h"
#include "testfields.h"
#include "ui_testrecordwindow.h"
#include "verdicts.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QShortcut>

#include <optional>

namespace {

enum ChecksColumn { NumberColumn, CheckColumn, AnswerColumn, ByColumn, WhyColumn };
enum IdentityColumn { WhatColumn, BeaconColumn, ShipColumn, OutcomeColumn };

const QColor NoColour(0xb0, 0, 0);

void setUpTable(QTableWidget *view, const QStringList &headers)
{
    view->setColumnCount(int(headers.size()));
    view->setHorizontalHeaderLabels(headers);
    view->verticalHeader()->hide();
    view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 6);
    view->horizontalHeader()->setHighlightSections(false);
    view->horizontalHeader()->setStretchLastSection(true);
}

void setCell(QTableWidget *view, int row, int column, const QString &text,
             const QColor &colour = QColor())
{
    auto *item = view->item(row, column);
    if (!item) {
        item = new QTableWidgetItem;
        view->setItem(row, column, item);
    }
    item->setText(text);
    item->setToolTip(text);
    item->setForeground(colour.isValid() ? QBrush(colour) : QBrush());
}

// The key that answers a check, or none for a key that does not.
std::optional<Answer> answerOfKey(const QKeyEvent *event)
{
    if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return std::nullopt;
    switch (event->key()) {
    case Qt::Key_Y:
    case Qt::Key_1:
        return Answer::Yes;
    case Qt::Key_N:
    case Qt::Key_2:
        return Answer::No;
    case Qt::Key_A:
    case Qt::Key_3:
        return Answer::NotApplicable;
    case Qt::Key_Delete:
    case Qt::Key_Backspace:
    case Qt::Key_0:
        return Answer::None;
    default:
        return std::nullopt;
    }
}

QString outcomeText(const IdentityCheck &check)
{
    switch (check.outcome) {
    case IdentityCheck::Outcome::Same:
        return QStringLiteral("the same");
    case IdentityCheck::Outcome::Differs:
        return QStringLiteral("differs");
    case IdentityCheck::Outcome::NotCompared:
        break;
    }
    return check.note;
}

// Whether the program would judge the two tests alike: typing a vessel's name
// changes nothing it judges, and each judgement decodes the message anew.
bool judgedAlike(const TestRecord &a, const TestRecord &b)
{
    return a.hexMessage == b.hexMessage && a.frequency == b.frequency &&
           a.statusReading == b.statusReading && a.statusVerdict == b.statusVerdict &&
           a.targetIndex == b.targetIndex && a.beacon.batteryExpiry == b.beacon.batteryExpiry &&
           a.beacon.hydrostaticReleaseExpiry == b.beacon.hydrostaticReleaseExpiry &&
           a.beacon.sbmDueDate == b.beacon.sbmDueDate && a.time.date() == b.time.date();
}

QString byText(const CheckResult &checked)
{
    if (checked.overruled())
        return checked.byText() + QStringLiteral(" (technician: ") +
               answerText(checked.technician) + u')';
    return checked.byText();
}

} // namespace

TestRecordWindow::TestRecordWindow(QWidget *parent)
    : QWidget(parent, Qt::Window), ui(new Ui::TestRecordWindow)
{
    ui->setupUi(this);
    ui->kindCombo->addItem(tr("None: the report keeps one page"), int(TestKind::None));
    for (const TestKind kind : TestKinds)
        ui->kindCombo->addItem(testKindText(kind), int(kind));

    setUpTable(ui->identityView, {tr("Identity"), tr("Beacon carries"), tr("Ship's or label's"),
                                  tr("Held against it")});
    ui->identityView->setRowCount(4);
    ui->identityView->setFixedHeight(ui->identityView->horizontalHeader()->sizeHint().height() +
                                     4 * ui->identityView->verticalHeader()->defaultSectionSize() +
                                     2 * ui->identityView->frameWidth());
    ui->identityView->setColumnWidth(WhatColumn, 90);
    ui->identityView->setColumnWidth(BeaconColumn, 200);
    ui->identityView->setColumnWidth(ShipColumn, 200);
    setUpTable(ui->checksView, {tr("No."), tr("Check"), tr("Answer"), tr("By"), tr("Why")});
    ui->checksView->setColumnWidth(NumberColumn, 40);
    ui->checksView->setColumnWidth(CheckColumn, 390);
    ui->checksView->setColumnWidth(AnswerColumn, 60);
    ui->checksView->setColumnWidth(ByColumn, 160);
    ui->checksView->installEventFilter(this);
    // Five reasons in sight; more scroll.
    ui->reasonsList->setFixedHeight(5 * ui->reasonsList->fontMetrics().height() +
                                    2 * ui->reasonsList->frameWidth() + 6);

    connect(ui->kindCombo, &QComboBox::currentIndexChanged, this, &TestRecordWindow::kindChosen);
    for (QLineEdit *edit : {ui->mmsiEdit, ui->callSignEdit, ui->imoEdit, ui->labelIdEdit}) {
        connect(edit, &QLineEdit::textChanged, this, &TestRecordWindow::shipEdited);
        // Said when the field is done with, not at every keystroke on the way.
        connect(edit, &QLineEdit::editingFinished, this, [this] { sayDifferences(false); });
    }
    connect(ui->remarksEdit, &QPlainTextEdit::textChanged, this, &TestRecordWindow::remarksEdited);
    auto *close = new QShortcut(QKeySequence::Cancel, this);
    connect(close, &QShortcut::activated, this, &QWidget::close);
    refresh();
}

TestRecordWindow::~TestRecordWindow()
{
    // A field that loses the keyboard as the widgets go, or a text that is
    // cleared, would otherwise reach this window's members, and the main
    // window, after they have gone.
    for (QObject *child : findChildren<QObject *>())
        child->disconnect(this);
    delete ui;
}

void TestRecordWindow::clearAnswers()
{
    current.sheet.answers.clear();
    awaitingMeasurement = true;
    refresh();
}

void TestRecordWindow::takeMeasurement(const TestRecord &test)
{
    if (!awaitingMeasurement)
        return;
    awaitingMeasurement = false;
    takeTest(test, true);
    sayDifferences(true);
}

void TestRecordWindow::showTest(const TestRecord &test)
{
    takeTest(test, false);
    // What comes in while an exchange runs is said with its measurement.
    if (!awaitingMeasurement)
        sayDifferences(false);
}

void TestRecordWindow::present()
{
    show();
    raise();
    activateWindow();
    if (current.sheet.isFilledIn())
        ui->checksView->setFocus();
    else
        ui->kindCombo->setFocus();
}

bool TestRecordWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ui->checksView && event->type() == QEvent::KeyPress) {
        if (const std::optional<Answer> answer = answerOfKey(static_cast<QKeyEvent *>(event))) {
            answerCurrent(*answer);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TestRecordWindow::takeTest(const TestRecord &test, bool measured)
{
    const bool alike = judgedAlike(test, current);
    const TestRecordSheet sheet = current.sheet;
    current = test;
    current.sheet = sheet;
    if (measured || !alike)
        refresh();
}

void TestRecordWindow::kindChosen()
{
    current.sheet.kind = TestKind(ui->kindCombo->currentData().toInt());
    refresh();
    if (ui->checksView->rowCount() > 0 && ui->checksView->currentRow() < 0)
        ui->checksView->setCurrentCell(0, AnswerColumn);
}

void TestRecordWindow::shipEdited()
{
    for (const TestField &f : TestFields::all()) {
        if (f.kind == TestField::Ship)
            current.sheet.ship.*f.ship = findChild<QLineEdit *>(QLatin1String(f.formEdit))->text();
    }
    refresh();
}

void TestRecordWindow::setShip(const ShipIdentity &ship)
{
    for (const TestField &f : TestFields::all()) {
        if (f.kind != TestField::Ship)
            continue;
        auto *edit = findChild<QLineEdit *>(QLatin1String(f.formEdit));
        const QSignalBlocker blocker(edit);
        edit->setText(ship.*f.ship);
    }
    shipEdited();
    sayDifferences(false);
}

void TestRecordWindow::remarksEdited()
{
    QString text = ui->remarksEdit->toPlainText();
    if (text.size() > MaxRemarksLength) {
        text.truncate(MaxRemarksLength);
        const QSignalBlocker blocker(ui->remarksEdit);
        ui->remarksEdit->setPlainText(text);
        ui->remarksEdit->moveCursor(QTextCursor::End);
    }
    current.sheet.remarks = text;
}

void TestRecordWindow::sayDifferences(bool all)
{
    const QStringList now = identityDifferences(result.identity);
    for (const QString &line : now)
        if (all || !said.contains(line))
            emit statusLine(line);
    said = now;
}

void TestRecordWindow::answerCurrent(Answer answer)
{
    const int row = qMax(ui->checksView->currentRow(), 0);
    if (row >= result.checks.size())
        return;
    current.sheet.setAnswer(QLatin1String(result.checks.at(row).check->key), answer);
    refresh();
    const int next = answer == Answer::None ? row : qMin(row + 1, ui->checksView->rowCount() - 1);
    ui->checksView->setCurrentCell(next, AnswerColumn);
}

void TestRecordWindow::refresh()
{
    result = assessSheet(current);
    showIdentity();
    showChecks();
    showResult();
}

void TestRecordWindow::showIdentity()
{
    const QStringList problems = fieldProblems(current.sheet.ship);
    ui->lblFieldProblems->setText(problems.join(u'\n'));
    ui->lblFieldProblems->setVisible(!problems.isEmpty());

    const std::optional<BeaconIdentity> beacon = identityOfMessage(current.hexMessage);
    QString decoded;
    if (current.hexMessage.isEmpty()) {
        decoded = tr("no message yet");
    } else if (!beacon) {
        decoded = tr("the message fails its error-correcting codes");
    } else {
        QStringList parts{tr("country code %1").arg(countryCodeText(beacon->countryCode)),
                          tr("15 Hex ID %1").arg(beacon->beaconId)};
        if (!beacon->mmsi().isEmpty())
            parts << tr("MMSI %1").arg(beacon->mmsi());
        if (!beacon->callSign.isEmpty())
            parts << tr("call sign %1").arg(beacon->callSign);
        decoded = parts.join(QLatin1String(", "));
    }
    ui->lblBeacon->setText(decoded);

    for (int row = 0; row < result.identity.size(); ++row) {
        const IdentityCheck &check = result.identity.at(row);
        const QColor colour =
            check.outcome == IdentityCheck::Outcome::Differs ? NoColour : QColor();
        setCell(ui->identityView, row, WhatColumn, check.whatText());
        setCell(ui->identityView, row, BeaconColumn, check.beacon);
        setCell(ui->identityView, row, ShipColumn, check.ship);
        setCell(ui->identityView, row, OutcomeColumn, outcomeText(check), colour);
    }
}

void TestRecordWindow::showChecks()
{
    QTableWidget *view = ui->checksView;
    const int row = view->currentRow();
    view->setRowCount(int(result.checks.size()));
    for (int i = 0; i < result.checks.size(); ++i) {
        const CheckResult &checked = result.checks.at(i);
        const QColor colour = checked.answer == Answer::No ? NoColour : QColor();
        setCell(view, i, NumberColumn, QString::number(checkNumber(checked.check)));
        setCell(view, i, CheckColumn, QLatin1String(checked.check->text));
        setCell(view, i, AnswerColumn, answerText(checked.answer), colour);
        setCell(view, i, ByColumn, byText(checked));
        setCell(view, i, WhyColumn, checked.why.join(QLatin1String("; ")));
    }
    if (row >= 0 && row < view->rowCount())
        view->setCurrentCell(row, AnswerColumn);
}

void TestRecordWindow::showResult()
{
    ui->reasonsList->clear();
    if (!result.filledIn) {
        ui->lblResult->clear();
        ui->lblResult->setStyleSheet(QString());
        ui->reasonsList->addItem(tr("Choose the kind of test to answer its checks."));
        return;
    }
    ui->lblResult->setText(result.resultText());
    ui->lblResult->setStyleSheet(
        QLatin1String(result.passed() ? Verdicts::GoodStyle : Verdicts::BadStyle));
    ui->reasonsList->addItems(result.reasons);
}
