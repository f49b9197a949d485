#ifndef TESTRECORDWINDOW_H
#define TESTRECORDWINDOW_H

#include "sheetresult.h"
#include "testrecord.h"

#include <QStringList>
#include <QWidget>

QT_BEGIN_NAMESPACE
namespace Ui {
class TestRecordWindow;
}
QT_END_NAMESPACE

// The test record beside the measurement: the kind of test, the ship's
// identity and the label's ID, the checks answered from the keyboard, remarks,
// and the result as it stands. What the program judges comes from the test
// the main window shows; the rules are the record's own (assessSheet).
//
// Each difference between the beacon's identity and the ship's goes to the
// main window's log once: all of them after each measurement, and after a
// change only those that were not there before.
class TestRecordWindow : public QWidget
{
    Q_OBJECT

public:
    // A window of its own, though it goes with its parent.
    explicit TestRecordWindow(QWidget *parent = nullptr);
    ~TestRecordWindow() override;

    // A new exchange has begun: the answers start empty; the kind, the ship
    // and the remarks stay.
    void clearAnswers();
    // The exchange begun last is complete; later calls before the next
    // clearAnswers() are ignored.
    void takeMeasurement(const TestRecord &test);
    // The main window's test changed (its form, its target, a timeout).
    void showTest(const TestRecord &test);

    // What the technician filled in, for the report.
    TestRecordSheet sheet() const { return current.sheet; }
    // The ship's identity and the label's ID, as next year's form fills them
    // in; the differences it brings are said.
    void setShip(const ShipIdentity &ship);
    // Shows the window in front, the keyboard in the checks or the kind.
    void present();

signals:
    // A difference of identity, for the main window's log.
    void statusLine(const QString &line);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Takes the test; judges it anew when measured or when it changed what
    // the program judges.
    void takeTest(const TestRecord &test, bool measured);
    void kindChosen();
    void shipEdited();
    void remarksEdited();
    // Says the differences not said before (all of them when told to).
    void sayDifferences(bool all);
    void answerCurrent(Answer answer);
    void refresh();
    void showIdentity();
    void showChecks();
    void showResult();

    Ui::TestRecordWindow *ui;
    // The main window's test with this window's sheet in it.
    TestRecord current;
    SheetResult result;
    QStringList said;
    bool awaitingMeasurement = false;
};

#endif // TESTRECORDWINDOW_H
