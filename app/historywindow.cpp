#include "historywindow.h"

#include "historymodel.h"
#include "reprintinto.h"
#include "testhistory.h"
#include "ui_historywindow.h"

#include <QDate>
#include <QDesktopServices>
#include <QDir>
#include <QShortcut>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>
#include <QThread>
#include <QUrl>

#include <utility>

// Keeps the rows that the history's own filter rule keeps. A table other than
// the tests' hands the rule its texts under the tests' column titles.
class TextFilter : public QSortFilterProxyModel
{
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;

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

    // Where each column of a test's row stands in the source, -1 for none.
    void mapColumns()
    {
        QStringList titles;
        for (int column = 0; column < sourceModel()->columnCount(); ++column)
            titles << sourceModel()->headerData(column, Qt::Horizontal).toString();
        columns.clear();
        for (const QString &title : Listing::testHeader())
            columns << int(titles.indexOf(title));
    }

protected:
    bool filterAcceptsRow(int row, const QModelIndex &parent) const override
    {
        if (text.isEmpty())
            return true;
        QStringList texts;
        texts.reserve(columns.size());
        for (int column : columns)
            texts << (column < 0 ? QString()
                                 : sourceModel()->index(row, column, parent).data().toString());
        return Listing::matchesFilter(texts, text);
    }

private:
    QString text;
    QList<int> columns;
};

namespace {

// Rows enough for any screen, read in a few milliseconds.
constexpr int FirstPageRows = 200;

void setUpTable(QTableView *view, TextFilter *filter)
{
    filter->setSortRole(Qt::UserRole);
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
}

// Puts model behind filter in the order the view's header asks for.
void showModel(QTableView *view, TextFilter *filter, QAbstractItemModel *model)
{
    filter->setSourceModel(model);
    filter->mapColumns();
    const QHeaderView *header = view->horizontalHeader();
    filter->sort(header->sortIndicatorSection(), header->sortIndicatorOrder());
}

} // namespace

// What the reading thread hands over: models it made and moved to the
// window's thread, or why the history could not be read.
struct HistoryWindow::Reading
{
    std::unique_ptr<HistoryModel> tests;
    std::unique_ptr<DueModel> due;
    QString error;
};

HistoryWindow::HistoryWindow(QWidget *parent)
    : QWidget(parent, Qt::Window), ui(new Ui::HistoryWindow),
      firstPage(new QStandardItemModel(this)), testsFilter(new TextFilter(this)),
      dueFilter(new TextFilter(this))
{
    ui->setupUi(this);
    setUpTable(ui->testsView, testsFilter);
    setUpTable(ui->dueView, dueFilter);

    connect(ui->filterEdit, &QLineEdit::textChanged, this, &HistoryWindow::setFilterText);
    connect(ui->filterEdit, &QLineEdit::returnPressed, this, &HistoryWindow::openSelected);
    connect(ui->tabWidget, &QTabWidget::currentChanged, this, &HistoryWindow::updateCount);
    connect(ui->horizonSpin, &QSpinBox::valueChanged, this, [this](int days) {
        if (due)
            due->setHorizon(days);
    });
    // Enter on a row, and a double-click (or the desktop's own way of opening).
    connect(ui->testsView, &QAbstractItemView::activated, this, &HistoryWindow::openReport);
    connect(ui->dueView, &QAbstractItemView::activated, this, &HistoryWindow::openReport);
    connect(ui->pbOpenReport, &QPushButton::clicked, this, &HistoryWindow::openSelected);
    auto *close = new QShortcut(QKeySequence::Cancel, this);
    connect(close, &QShortcut::activated, this, &QWidget::close);
}

HistoryWindow::~HistoryWindow()
{
    if (reader)
        reader->wait();
    delete reader;
    delete ui;
}

void HistoryWindow::load(const QString &reportFolder)
{
    if (reportFolder.isEmpty())
        return showError(tr("The test history cannot be opened: there is no Documents folder."));
    const QString path = TestHistory::path(reportFolder);
    folder = reportFolder;
    if (!history || history->filePath() != path)
        history = std::make_unique<TestHistory>(path);
    if (const Done opened = history->open(); !opened)
        return showError(opened.reason());
    const Result<int> count = history->count();
    total = count ? *count : 0;
    if (!tests)
        showFirstPage();
    if (!history)
        return;
    ui->stackedWidget->setCurrentWidget(ui->tabWidget);
    ui->pbOpenReport->setEnabled(true);
    updateCount();
    readWhole();
}

void HistoryWindow::showFirstPage()
{
    firstPage->clear();
    firstPage->setHorizontalHeaderLabels(Listing::testHeader());
    const auto addRow = [this](const StoredTest &t) {
        QList<QStandardItem *> row;
        for (const QString &text : Listing::testRow(t))
            row << new QStandardItem(text);
        row.first()->setData(t.number, Qt::UserRole);
        firstPage->appendRow(row);
        return firstPage->rowCount() < FirstPageRows;
    };
    const Done read =
        history->forEach(TestHistory::Order::NewestFirst, TestHistory::Part::Listed, addRow);
    if (!read)
        return showError(read.reason());
    showModel(ui->testsView, testsFilter, firstPage);
    ui->testsView->resizeColumnsToContents();
}

void HistoryWindow::readWhole()
{
    if (reader) {
        readAgain = true;
        return;
    }
    readAgain = false;
    reading = std::make_unique<Reading>();
    reader = QThread::create([r = reading.get(), path = history->filePath(), window = thread(),
                              today = QDate::currentDate()] {
        // Models and a connection of this thread's own; only the models stay.
        r->tests = std::make_unique<HistoryModel>();
        r->due = std::make_unique<DueModel>();
        TestHistory own(path);
        Done read = own.open();
        if (read)
            read = r->tests->load(own);
        if (read)
            read = r->due->load(own, today);
        r->error = read.reason();
        r->tests->moveToThread(window);
        r->due->moveToThread(window);
    });
    connect(reader, &QThread::finished, this, &HistoryWindow::takeWhole);
    reader->start();
}

void HistoryWindow::takeWhole()
{
    reader->wait();
    delete std::exchange(reader, nullptr);
    const std::unique_ptr<Reading> read = std::move(reading);
    if (!read->error.isEmpty()) {
        showError(read->error);
    } else {
        const bool first = !tests;
        std::unique_ptr<HistoryModel> oldTests(std::exchange(tests, read->tests.release()));
        std::unique_ptr<DueModel> oldDue(std::exchange(due, read->due.release()));
        tests->setParent(this);
        due->setParent(this);
        due->setHorizon(ui->horizonSpin->value());
        showModel(ui->testsView, testsFilter, tests);
        showModel(ui->dueView, dueFilter, due);
        // Sorting a page of the history would only mislead.
        ui->testsView->setSortingEnabled(true);
        ui->dueView->setSortingEnabled(true);
        if (first)
            ui->dueView->resizeColumnsToContents();
        total = tests->rowCount();
        updateCount();
    }
    if (readAgain && history)
        readWhole();
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
    const QString path = history ? history->filePath() : QString();
    ui->lblError->setText(tr("The test history cannot be opened.\n\n%1")
                              .arg(why.contains(path) ? why : path + QStringLiteral(": ") + why));
    ui->stackedWidget->setCurrentWidget(ui->lblError);
    ui->pbOpenReport->setEnabled(false);
    ui->lblCount->clear();
    history.reset();
}

void HistoryWindow::setFilterText(const QString &text)
{
    testsFilter->setText(text);
    dueFilter->setText(text);
    updateCount();
}

void HistoryWindow::updateCount()
{
    if (!history)
        return;
    const bool onDue = currentView() == ui->dueView;
    const TextFilter *filter = onDue ? dueFilter : testsFilter;
    if (!tests)
        ui->lblCount->setText(tr("Reading all %1 tests...").arg(total));
    else
        ui->lblCount->setText((onDue ? tr("%1 of %2 beacons") : tr("%1 of %2 tests"))
                                  .arg(filter->rowCount())
                                  .arg(filter->sourceModel()->rowCount()));
}

QAbstractItemView *HistoryWindow::currentView() const
{
    return ui->tabWidget->currentWidget() == ui->tabDue ? ui->dueView : ui->testsView;
}

qint64 HistoryWindow::testNumber(const QModelIndex &index) const
{
    const QModelIndex source = static_cast<const TextFilter *>(index.model())->mapToSource(index);
    if (source.model() == tests)
        return tests->testNumber(source.row());
    if (source.model() == due)
        return due->testNumber(source.row());
    return source.siblingAtColumn(0).data(Qt::UserRole).toLongLong();
}

void HistoryWindow::openReport(const QModelIndex &index)
{
    if (!history || !index.isValid())
        return;
    const QString reprints = QDir(folder).filePath(QStringLiteral("Reprints"));
    QDir().mkpath(reprints); // when it cannot be made, the reprint says why
    const ReprintOutcome outcome = reprintInto(*history, testNumber(index), reprints, true);
    const QString line = outcome.ok() ? tr("Saving reprint: ") + outcome.path
                                      : tr("Reprint not saved: ") + outcome.error;
    ui->lblOutcome->setText(line);
    emit statusLine(line);
    if (outcome.ok())
        QDesktopServices::openUrl(QUrl::fromLocalFile(outcome.path));
}

void HistoryWindow::openSelected()
{
    const QAbstractItemView *view = currentView();
    const QModelIndex current = view->currentIndex();
    openReport(current.isValid() ? current : view->model()->index(0, 0));
}
