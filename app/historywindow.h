#ifndef HISTORYWINDOW_H
#define HISTORYWINDOW_H

#include <QString>
#include <QWidget>

#include <memory>

QT_BEGIN_NAMESPACE
namespace Ui {
class HistoryWindow;
}
class QAbstractItemView;
class QModelIndex;
class QStandardItemModel;
class QThread;
QT_END_NAMESPACE

class DueModel;
class HistoryModel;
class TestHistory;
class TextFilter;

// Every test in the history, newest first, and what falls due, each in a
// table sorted by a click on a header; a filter field narrows both. A test's
// report is reprinted into the report folder's Reprints and opened.
//
// The newest tests show at once; the whole history is read by a thread of its
// own, so that a history of any size opens without a wait, and then takes
// their place.
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
    struct Reading;

    void showFirstPage();
    void readWhole();
    void takeWhole();
    void showError(const QString &why);
    void setFilterText(const QString &text);
    void updateCount();
    QAbstractItemView *currentView() const;
    qint64 testNumber(const QModelIndex &index) const;
    // The report of the test in this row of a table.
    void openReport(const QModelIndex &index);
    // Enter in the filter field: the selected row, else the first one shown.
    void openSelected();

    Ui::HistoryWindow *ui;
    QString folder;
    // The window's own connection: the first page and the reprints.
    std::unique_ptr<TestHistory> history;
    int total = 0;
    QStandardItemModel *firstPage;
    // The whole history, once read; replaced by each later reading.
    HistoryModel *tests = nullptr;
    DueModel *due = nullptr;
    TextFilter *testsFilter;
    TextFilter *dueFilter;
    QThread *reader = nullptr;
    std::unique_ptr<Reading> reading;
    // A report saved while the history was being read: read it again after.
    bool readAgain = false;
};

#endif // HISTORYWINDOW_H
