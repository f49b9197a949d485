#ifndef HISTORYWINDOW_H
#define HISTORYWINDOW_H

#include "result.h"

#include <QList>
#include <QString>
#include <QWidget>

QT_BEGIN_NAMESPACE
namespace Ui {
class HistoryWindow;
}
class QModelIndex;
class QSortFilterProxyModel;
class QTableView;
class QThread;
class QTimer;
QT_END_NAMESPACE

class DueModel;
class HistoryModel;
class ListingFilter;
struct ListingRow;

// Every test in the history, newest first, and what falls due, each in a
// table sorted by a click on a header; a filter field narrows both. A test's
// report is reprinted into the report folder's Reprints and opened.
//
// The history is read, and reprints are made, by a thread of the window's own
// with its own connection, so that neither a long history nor one that
// another program holds keeps the window waiting. The newest tests show first,
// then the whole history takes their place in the same table.
class HistoryWindow : public QWidget
{
    Q_OBJECT

public:
    // A window of its own, though it goes with its parent.
    explicit HistoryWindow(QWidget *parent = nullptr);
    ~HistoryWindow() override;

    // Reads the history of the report folder anew into both tables, or shows
    // why it cannot be read instead of them.
    void load(const QString &reportFolder);
    // Shows the window in front, the keyboard in the filter field.
    void present();

signals:
    // Where a reprint went, or why it did not, for the main window's log.
    void statusLine(const QString &line);

private:
    // Runs job on the reading thread.
    template <typename Job> void onReader(Job job);
    void read();
    void takeFirstRows(int total, const QList<ListingRow> &rows);
    void takeWhole(const QList<ListingRow> &tests, const QList<ListingRow> &due);
    void readDone();
    void showError(const QString &why);
    void setFilterText(const QString &text);
    void updateCount();
    QTableView *currentView() const;
    // The report of the test in this row of a table.
    void openReport(const QModelIndex &index);
    // Enter in the filter field: the selected row, else the first one shown.
    void openSelected();
    void showReprint(const Result<QString> &reprint);

    Ui::HistoryWindow *ui;
    QString folder;
    HistoryModel *tests;
    DueModel *due;
    ListingFilter *testsFilter;
    ListingFilter *dueFilter;
    QThread *reader;
    // Lives in the reader's thread, the jobs' context there.
    QObject *readerContext;
    // Says "waiting for the test history…" when a reading takes long.
    QTimer *waitNotice;
    int total = 0;
    bool reading = false;
    // A report saved while the history was being read: read it again after.
    bool readAgain = false;
    bool wholeIn = false;
};

#endif // HISTORYWINDOW_H
