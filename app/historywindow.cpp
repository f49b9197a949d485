#include "historywindow.h"

#include "duedates.h"
#include "historymodel.h"
#include "reprintinto.h"
#include "testhistory.h"
#include "ui_historywindow.h"

#include <QDesktopServices>
#include <QDir>
#include <QShortcut>
#include <QSortFilterProxyModel>
#include <QThread>
#include <QTimer>
#include <QUrl>

#include <utility>

// Keeps the rows that the listing's filter rule keeps.
class ListingFilter : public QSortFilterProxyModel
{
public:
    ListingFilter(ListingModel *model, QObject *parent) : QSortFilterProxyModel(parent)
    {
        setSortRole(ListingModel::SortRole);
        setSourceModel(model);
    }

    void setText(const QString &typed)
    {
        if (typed == text)
            return;
        // Anew rather than range by range: with thousands of rows left out, the
        // views would take longer over the ranges than the filter over the rows.
        beginResetModel();
        text = typed;
        endResetModel();
    }

protected:
    bool filterAcceptsRow(int row, const QModelIndex &parent) const override
    {
        if (text.isEmpty())
            return true;
        const QModelIndex index = sourceModel()->index(row, 0, parent);
        return Listing::matchesFilter(index.data(ListingModel::TextsRole).toStringList(), text);
    }

private:
    QString text;
};

namespace {

// Rows enough for any screen, read in a few milliseconds.
constexpr int FirstRows = 200;
// A reading that takes longer waits for another program, as a rule.
constexpr int WaitNoticeMs = 300;

void setUpTable(QTableView *view, QSortFilterProxyModel *filter)
{
    view->setModel(filter);
    // The models' own order (newest first, soonest first) until a header is clicked.
    view->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    view->verticalHeader()->hide();
    // One line of text a row, as a list reads best; the style's default is taller.
    view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view->verticalHeader()->setMinimumSectionSize(view->fontMetrics().height() + 6);
    view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 6);
    view->horizontalHeader()->setHighlightSections(false);
    view->horizontalHeader()->setStretchLastSection(true);
    // Columns sized to the rows a screen shows first, not to thousands.
    view->horizontalHeader()->setResizeContentsPrecision(FirstRows);
}

} // namespace

HistoryWindow::HistoryWindow(QWidget *parent)
    : QWidget(parent, Qt::Window), ui(new Ui::HistoryWindow), tests(new HistoryModel(this)),
      due(new DueModel(this)), testsFilter(new ListingFilter(tests, this)),
      dueFilter(new ListingFilter(due, this)), reader(new QThread(this)),
      readerContext(new QObject), waitNotice(new QTimer(this))
{
    ui->setupUi(this);
    setUpTable(ui->testsView, testsFilter);
    setUpTable(ui->dueView, dueFilter);
    ui->horizonSpin->setValue(DueHorizonDays);

    connect(ui->filterEdit, &QLineEdit::textChanged, this, &HistoryWindow::setFilterText);
    connect(ui->filterEdit, &QLineEdit::returnPressed, this, &HistoryWindow::openSelected);
    connect(ui->tabWidget, &QTabWidget::currentChanged, this, &HistoryWindow::updateCount);
    connect(ui->horizonSpin, &QSpinBox::valueChanged, due, &DueModel::setHorizon);
    // Enter on a row, and a double-click (or the desktop's own way of opening).
    connect(ui->testsView, &QAbstractItemView::activated, this, &HistoryWindow::openReport);
    connect(ui->dueView, &QAbstractItemView::activated, this, &HistoryWindow::openReport);
    connect(ui->pbOpenReport, &QPushButton::clicked, this, &HistoryWindow::openSelected);
    auto *close = new QShortcut(QKeySequence::Cancel, this);
    connect(close, &QShortcut::activated, this, &QWidget::close);

    waitNotice->setSingleShot(true);
    waitNotice->setInterval(WaitNoticeMs);
    connect(waitNotice, &QTimer::timeout, this, &HistoryWindow::updateCount);
    reader->setObjectName(QStringLiteral("historyReader"));
    readerContext->moveToThread(reader);
    connect(reader, &QThread::finished, readerContext, &QObject::deleteLater);
    reader->start();
}

HistoryWindow::~HistoryWindow()
{
    // A job under way still posts to this window; it ends first.
    reader->quit();
    reader->wait();
    delete ui;
}

template <typename Job> void HistoryWindow::onReader(Job job)
{
    QMetaObject::invokeMethod(readerContext, std::move(job), Qt::QueuedConnection);
}

void HistoryWindow::load(const QString &reportFolder)
{
    if (reportFolder.isEmpty())
        return showError(tr("The system names no Documents folder."));
    folder = reportFolder;
    if (reading) {
        readAgain = true;
        return;
    }
    read();
}

void HistoryWindow::read()
{
    reading = true;
    readAgain = false;
    waitNotice->start();
    updateCount();
    onReader([this, path = TestHistory::path(folder), firstRows = !wholeIn] {
        const auto show = [this](auto shown) {
            QMetaObject::invokeMethod(this, std::move(shown), Qt::QueuedConnection);
        };
        const auto fail = [this, &show](const QString &why) {
            show([this, why] {
                showError(why);
                readDone();
            });
        };
        TestHistory history(path);
        if (const Done opened = history.open(); !opened)
            return fail(opened.reason());
        const Result<int> counted = firstRows ? history.count() : Result<int>(0);
        if (!counted)
            return fail(counted.reason());
        const int count = *counted;
        if (count > FirstRows) {
            if (const Result<QList<ListingRow>> newest = HistoryModel::read(history, FirstRows))
                show([this, count, rows = *newest] { takeFirstRows(count, rows); });
        }
        const Result<QList<ListingRow>> all = HistoryModel::read(history);
        if (!all)
            return fail(all.reason());
        const Result<QList<ListingRow>> beacons = DueModel::read(history);
        if (!beacons)
            return fail(beacons.reason());
        show([this, rows = *all, dueRows = *beacons] {
            takeWhole(rows, dueRows);
            readDone();
        });
    });
}

void HistoryWindow::takeFirstRows(int count, const QList<ListingRow> &rows)
{
    total = count;
    tests->setRows(rows);
    ui->stackedWidget->setCurrentWidget(ui->tabWidget);
    ui->pbOpenReport->setEnabled(true);
    ui->testsView->resizeColumnsToContents();
    updateCount();
}

void HistoryWindow::takeWhole(const QList<ListingRow> &testRows, const QList<ListingRow> &dueRows)
{
    // Columns sized once, to the first rows shown.
    const bool sizeTests = tests->rowCount() == 0, sizeDue = !wholeIn;
    tests->setRows(testRows);
    due->setToday(QDate::currentDate());
    due->setRows(dueRows);
    wholeIn = true;
    total = int(testRows.size());
    // Sorting a part of the history would only mislead.
    ui->testsView->setSortingEnabled(true);
    ui->dueView->setSortingEnabled(true);
    if (sizeTests)
        ui->testsView->resizeColumnsToContents();
    if (sizeDue)
        ui->dueView->resizeColumnsToContents();
    ui->stackedWidget->setCurrentWidget(ui->tabWidget);
    ui->pbOpenReport->setEnabled(true);
    updateCount();
}

void HistoryWindow::readDone()
{
    reading = false;
    waitNotice->stop();
    updateCount();
    if (readAgain)
        read();
}

void HistoryWindow::present()
{
    show();
    raise();
    activateWindow();
    ui->filterEdit->setFocus(Qt::ActiveWindowFocusReason);
    ui->filterEdit->selectAll();
}

void HistoryWindow::showError(const QString &why)
{
    const QString path = QDir::toNativeSeparators(TestHistory::path(folder));
    ui->lblError->setText(
        tr("The test history cannot be opened.\n\n%1")
            .arg(folder.isEmpty() || why.contains(path) ? why : path + QStringLiteral(": ") + why));
    ui->stackedWidget->setCurrentWidget(ui->lblError);
    ui->pbOpenReport->setEnabled(false);
    // What shows next is read anew, the newest tests first.
    tests->setRows({});
    due->setRows({});
    ui->testsView->setSortingEnabled(false);
    ui->dueView->setSortingEnabled(false);
    wholeIn = false;
    total = 0;
    updateCount();
}

void HistoryWindow::setFilterText(const QString &text)
{
    testsFilter->setText(text);
    dueFilter->setText(text);
    updateCount();
}

void HistoryWindow::updateCount()
{
    QString count;
    if (!wholeIn && total > 0)
        count = tr("Reading all %1 tests...").arg(total);
    else if (reading && !waitNotice->isActive())
        count = tr("waiting for the test history…");
    else if (ui->stackedWidget->currentWidget() != ui->tabWidget)
        count.clear();
    else if (wholeIn && currentView() == ui->dueView)
        count = tr("%1 of %2 beacons").arg(dueFilter->rowCount()).arg(due->rowCount());
    else if (wholeIn)
        count = tr("%1 of %2 tests").arg(testsFilter->rowCount()).arg(tests->rowCount());
    ui->lblCount->setText(count);
}

QTableView *HistoryWindow::currentView() const
{
    return ui->tabWidget->currentWidget() == ui->tabDue ? ui->dueView : ui->testsView;
}

void HistoryWindow::openReport(const QModelIndex &index)
{
    if (!index.isValid())
        return;
    onReader([this, path = TestHistory::path(folder),
              number = index.data(ListingModel::TestNumberRole).toLongLong(),
              reprints = QDir(folder).filePath(QStringLiteral("Reprints"))] {
        TestHistory history(path);
        const Done opened = history.open();
        const Result<QString> reprint = opened ? reprintInto(history, number, reprints, true)
                                               : Result<QString>(failure(opened.reason()));
        QMetaObject::invokeMethod(
            this, [this, reprint] { showReprint(reprint); }, Qt::QueuedConnection);
    });
}

void HistoryWindow::showReprint(const Result<QString> &reprint)
{
    const QString line =
        reprint ? tr("Saving reprint: ") + *reprint : tr("Reprint not saved: ") + reprint.reason();
    ui->lblOutcome->setText(line);
    emit statusLine(line);
    if (reprint)
        QDesktopServices::openUrl(QUrl::fromLocalFile(*reprint));
}

void HistoryWindow::openSelected()
{
    const QAbstractItemView *view = currentView();
    const QModelIndex current = view->currentIndex();
    openReport(current.isValid() ? current : view->model()->index(0, 0));
}
