#include "historywindow.h"

#include "historymodel.h"
#include "reprint.h"
#include "testhistory.h"
#include "ui_historywindow.h"

#include <QDate>
#include <QDesktopServices>
#include <QDir>
#include <QKeyEvent>
#include <QShortcut>
#include <QSortFilterProxyModel>
#include <QUrl>

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
        text = typed;
        invalidateFilter();
    }

    // Where each column of a test's row stands in the source, -1 for none.
    void mapColumns()
    {
        QStringList titles;
        for (int column = 0; column < sourceModel()->columnCount(); ++column)
            titles << sourceModel()->headerData(column, Qt::Horizontal).toString();
        columns.clear();
        for (const QString &title : historyHeader())
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
        return matchesFilter(texts, text);
    }

private:
    QString text;
    QList<int> columns;
};

namespace {

void setUpTable(QTableView *view, TextFilter *filter, QAbstractItemModel *model)
{
    filter->setSourceModel(model);
    filter->setSortRole(Qt::UserRole);
    filter->mapColumns();
    view->setModel(filter);
    // The models' own order (newest first, soonest first) until a header is clicked.
    view->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    view->setSortingEnabled(true);
    view->verticalHeader()->hide();
    view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view->horizontalHeader()->setHighlightSections(false);
    view->horizontalHeader()->setStretchLastSection(true);
}

} // namespace

HistoryWindow::HistoryWindow(QWidget *parent)
    : QWidget(parent, Qt::Window), ui(new Ui::HistoryWindow), tests(new HistoryModel(this)),
      due(new DueModel(this)), testsFilter(new TextFilter(this)), dueFilter(new TextFilter(this))
{
    ui->setupUi(this);
    setUpTable(ui->testsView, testsFilter, tests);
    setUpTable(ui->dueView, dueFilter, due);
    due->setHorizon(ui->horizonSpin->value());

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
}

HistoryWindow::~HistoryWindow()
{
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
    if (!history->open() || !tests->load(*history) || !due->load(*history, QDate::currentDate())) {
        QString why = history->errorString();
        if (!why.contains(path))
            why = path + QStringLiteral(": ") + why;
        history.reset();
        return showError(tr("The test history cannot be opened.\n\n%1").arg(why));
    }
    ui->stackedWidget->setCurrentWidget(ui->tabWidget);
    ui->pbOpenReport->setEnabled(true);
    ui->testsView->resizeColumnsToContents();
    ui->dueView->resizeColumnsToContents();
    updateCount();
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
    ui->lblError->setText(why);
    ui->stackedWidget->setCurrentWidget(ui->lblError);
    ui->pbOpenReport->setEnabled(false);
    ui->lblCount->clear();
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
    ui->lblCount->setText((onDue ? tr("%1 of %2 beacons") : tr("%1 of %2 tests"))
                              .arg(filter->rowCount())
                              .arg(filter->sourceModel()->rowCount()));
}

QAbstractItemView *HistoryWindow::currentView() const
{
    return ui->tabWidget->currentWidget() == ui->tabDue ? ui->dueView : ui->testsView;
}

void HistoryWindow::openReport(const QModelIndex &index)
{
    if (!history || !index.isValid())
        return;
    const int row =
        (index.model() == dueFilter ? dueFilter : testsFilter)->mapToSource(index).row();
    const qint64 number =
        index.model() == dueFilter ? due->testNumber(row) : tests->testNumber(row);
    const QString reprints = QDir(folder).filePath(QStringLiteral("Reprints"));
    QDir().mkpath(reprints); // when it cannot be made, the reprint says why
    const ReprintOutcome outcome = reprintInto(*history, number, reprints, true);
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
