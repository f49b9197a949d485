#include "ui_mainwindow.h"

#include <QTest>
#include <QTranslator>

#include <memory>

namespace {

enum Style { Plain = 0, Bold = 1, Point11 = 2, Centred = 4 };

struct Expected
{
    const char *name;
    const char *className;
    const char *parent;
    QRect geometry; // null where the window places the widget itself
    const char *text;
    int style;
};

// The form as the operator meets it, in creation order.
const Expected formTable[] = {
    {"centralwidget", "QWidget", "MainWindow", QRect(), "", Plain},
    {"groupBox", "QGroupBox", "centralwidget", QRect(50, 10, 381, 200), "EPIRB/VESTRA Data", Plain},
    {"pbRequestData", "QPushButton", "groupBox", QRect(150, 164, 91, 30), "Request Data", Plain},
    {"label", "QLabel", "groupBox", QRect(20, 30, 71, 21), "Hex message:", Plain},
    {"label_2", "QLabel", "groupBox", QRect(20, 60, 71, 20), "Frequency:", Plain},
    {"label_3", "QLabel", "groupBox", QRect(20, 90, 61, 20), "Rf Level:", Plain},
    {"label_4", "QLabel", "groupBox", QRect(20, 120, 61, 20), "Status", Plain},
    {"label_5", "QLabel", "groupBox", QRect(210, 60, 91, 20), "Calibration due:", Plain},
    {"label_6", "QLabel", "groupBox", QRect(210, 90, 61, 20), "Serial No:", Plain},
    {"TxtLabelSerialNo", "QLabel", "groupBox", QRect(290, 90, 81, 20), "15-", Bold},
    {"TxtLabelStatus", "QLabel", "groupBox", QRect(110, 120, 221, 20), "13-", Centred},
    {"TxtLabelHexMsg", "QLabel", "groupBox", QRect(110, 30, 261, 20), "58-", Plain},
    {"TxtLabelFreq", "QLabel", "groupBox", QRect(100, 60, 71, 20), "13-", Bold},
    {"TxtLabelRfLevel", "QLabel", "groupBox", QRect(150, 90, 21, 20), "13-", Bold},
    {"TxtLabelCalibration", "QLabel", "groupBox", QRect(300, 60, 71, 20), "13-", Bold},
    {"label_7", "QLabel", "groupBox", QRect(180, 60, 31, 20), "MHz", Plain},
    {"label_8", "QLabel", "groupBox", QRect(180, 90, 16, 20), "dB", Plain},
    {"lineEditHexMsg", "QLineEdit", "groupBox", QRect(100, 30, 261, 20), "", Plain},
    {"TxtLabelDistressStatus", "QLabel", "groupBox", QRect(110, 140, 221, 20), "", Centred},
    {"groupBox_2", "QGroupBox", "centralwidget", QRect(10, 210, 471, 251), "Input Information data",
     Plain},
    {"lineEdit", "QLineEdit", "groupBox_2", QRect(160, 60, 301, 20), "", Plain},
    {"lineEdit_2", "QLineEdit", "groupBox_2", QRect(160, 90, 113, 20), "", Plain},
    {"lineEdit_3", "QLineEdit", "groupBox_2", QRect(160, 180, 113, 20), "", Plain},
    {"lineEdit_4", "QLineEdit", "groupBox_2", QRect(160, 150, 113, 20), "", Plain},
    {"lineEdit_5", "QLineEdit", "groupBox_2", QRect(160, 120, 113, 20), "", Plain},
    {"label_9", "QLabel", "groupBox_2", QRect(84, 60, 71, 21), "Vessel name:", Plain},
    {"label_10", "QLabel", "groupBox_2", QRect(40, 90, 121, 16), "Beacon Manufacturer:", Plain},
    {"label_11", "QLabel", "groupBox_2", QRect(68, 120, 91, 16), "Beacon Serialno:", Plain},
    {"label_12", "QLabel", "groupBox_2", QRect(68, 150, 91, 16), "Bracket Serialno:", Plain},
    {"label_13", "QLabel", "groupBox_2", QRect(18, 210, 91, 16), "Company Name:", Plain},
    {"label_14", "QLabel", "groupBox_2", QRect(18, 180, 140, 16),
     "Hydrostatic release expiry:", Plain},
    {"lineEdit_6", "QLineEdit", "groupBox_2", QRect(110, 210, 163, 20), "", Plain},
    {"label_15", "QLabel", "groupBox_2", QRect(320, 90, 41, 16), "Model:", Plain},
    {"label_16", "QLabel", "groupBox_2", QRect(286, 120, 71, 16), "Bracket Type:", Plain},
    {"label_17", "QLabel", "groupBox_2", QRect(280, 150, 81, 16), "Battery Expiry:", Plain},
    {"label_18", "QLabel", "groupBox_2", QRect(128, 22, 91, 16), "Target Frequency:", Plain},
    {"label_19", "QLabel", "groupBox_2", QRect(300, 210, 61, 16), "Tested by:", Plain},
    {"lineEdit_7", "QLineEdit", "groupBox_2", QRect(360, 90, 101, 20), "", Plain},
    {"lineEdit_8", "QLineEdit", "groupBox_2", QRect(360, 120, 101, 20), "", Plain},
    {"lineEdit_9", "QLineEdit", "groupBox_2", QRect(360, 150, 101, 20), "", Plain},
    {"lineEdit_11", "QLineEdit", "groupBox_2", QRect(360, 210, 101, 20), "", Plain},
    {"comboBox", "QComboBox", "groupBox_2", QRect(230, 20, 101, 22), "406.031 MHz", Plain},
    {"lineEdit_DD", "QLineEdit", "groupBox_2", QRect(360, 180, 101, 20), "", Plain},
    {"label_22", "QLabel", "groupBox_2", QRect(282, 180, 80, 16), "SBM due date:", Plain},
    {"groupBox_3", "QGroupBox", "centralwidget", QRect(10, 510, 471, 121), "Status", Plain},
    {"listWidgetStatus", "QListWidget", "groupBox_3", QRect(0, 20, 471, 101), "", Plain},
    {"Infoframe", "QFrame", "centralwidget", QRect(490, 20, 381, 191), "", Plain},
    {"label_20", "QLabel", "Infoframe", QRect(57, 25, 271, 31), "Awaiting transmission from EPIRB.",
     Bold | Point11},
    {"label_21", "QLabel", "Infoframe", QRect(63, 70, 271, 31),
     "Start EPIRB \"Self-test\" within time limit.", Point11},
    {"progressBar", "QProgressBar", "Infoframe", QRect(40, 130, 321, 23), "", Plain},
    {"pbDecodeData", "QPushButton", "centralwidget", QRect(200, 470, 91, 31), "Make Report", Plain},
    {"menubar", "QMenuBar", "MainWindow", QRect(0, 0, 490, 22), "", Plain},
    {"statusbar", "QStatusBar", "MainWindow", QRect(), "", Plain},
};

// "15-" stands for a row of fifteen dashes, so the table stays readable.
QString expectedText(const char *text)
{
    const QString t = QString::fromUtf8(text);
    if (t.endsWith(QLatin1Char('-')) && t.size() <= 3 && t.at(0).isDigit())
        return QString(t.chopped(1).toInt(), QLatin1Char('-'));
    return t;
}

QString shownText(const QWidget *w)
{
    if (auto label = qobject_cast<const QLabel *>(w))
        return label->text();
    if (auto button = qobject_cast<const QPushButton *>(w))
        return button->text();
    if (auto group = qobject_cast<const QGroupBox *>(w))
        return group->title();
    if (auto edit = qobject_cast<const QLineEdit *>(w))
        return edit->text();
    if (auto combo = qobject_cast<const QComboBox *>(w))
        return combo->currentText();
    return QString();
}

bool isContainer(const QWidget *w)
{
    const QByteArray cls = w->metaObject()->className();
    return cls == "QWidget" || cls == "QGroupBox" || cls == "QFrame";
}

// Widgets the form made: walk down through the plain containers only, so the
// inner parts of list views, menu bars and status bars stay out of it.
void collectFormWidgets(const QWidget *parent, QList<QWidget *> &out)
{
    for (QObject *child : parent->children()) {
        auto w = qobject_cast<QWidget *>(child);
        if (!w || w->isWindow())
            continue;
        out.append(w);
        if (isContainer(w))
            collectFormWidgets(w, out);
    }
}

// Marks every text it translates, so a text looked up under the wrong
// context shows up unmarked.
class MarkingTranslator : public QTranslator
{
public:
    QString translate(const char *context, const char *sourceText, const char *, int) const override
    {
        if (qstrcmp(context, "MainWindow") == 0 && sourceText && *sourceText)
            return QStringLiteral("<") + QString::fromUtf8(sourceText) + QStringLiteral(">");
        return QString();
    }
    bool isEmpty() const override { return false; }
};

} // namespace

class SlotWindow : public QMainWindow
{
    Q_OBJECT

public:
    int requestClicks = 0;
    int decodeClicks = 0;

private slots:
    void on_pbRequestData_clicked() { ++requestClicks; }
    void on_pbDecodeData_clicked() { ++decodeClicks; }
};

class tst_MainWindowForm : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void windowIsFixedSize();
    void widgetsInCreationOrder();
    void widget_data();
    void widget();
    void targetFrequencyChoices();
    void infoPanel();
    void barsBelongToWindow();
    void tabOrder();
    void lineEditsUnrestricted_data();
    void lineEditsUnrestricted();
    void textsUseMainWindowContext();
    void existingObjectNameKept();
    void buttonsReachSlotsByName();

private:
    std::unique_ptr<QMainWindow> window;
    std::unique_ptr<Ui::MainWindow> ui;
};

void tst_MainWindowForm::init()
{
    window = std::make_unique<QMainWindow>();
    ui = std::make_unique<Ui::MainWindow>();
    ui->setupUi(window.get());
}

void tst_MainWindowForm::cleanup()
{
    ui.reset();
    window.reset();
}

void tst_MainWindowForm::windowIsFixedSize()
{
    QCOMPARE(window->objectName(), QStringLiteral("MainWindow"));
    QCOMPARE(window->windowTitle(), QStringLiteral("MainWindow"));
    QCOMPARE(window->size(), QSize(490, 660));
    QCOMPARE(window->minimumSize(), QSize(490, 660));
    QCOMPARE(window->maximumSize(), QSize(490, 660));

    window->resize(800, 900);
    QCOMPARE(window->size(), QSize(490, 660));
}

void tst_MainWindowForm::widgetsInCreationOrder()
{
    QList<QWidget *> found;
    collectFormWidgets(window.get(), found);

    QStringList actual;
    for (const QWidget *w : std::as_const(found))
        actual << w->objectName();
    QStringList expected;
    for (const Expected &e : formTable)
        expected << QString::fromLatin1(e.name);

    QCOMPARE(expected.size(), 53);
    QCOMPARE(actual, expected);
}

void tst_MainWindowForm::widget_data()
{
    QTest::addColumn<QString>("className");
    QTest::addColumn<QString>("parentName");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("style");

    for (const Expected &e : formTable)
        QTest::newRow(e.name) << QString::fromLatin1(e.className) << QString::fromLatin1(e.parent)
                              << e.geometry << expectedText(e.text) << e.style;
}

void tst_MainWindowForm::widget()
{
    QFETCH(QString, className);
    QFETCH(QString, parentName);
    QFETCH(QRect, geometry);
    QFETCH(QString, text);
    QFETCH(int, style);

    const QString name = QString::fromLatin1(QTest::currentDataTag());
    auto w = window->findChild<QWidget *>(name);
    QVERIFY2(w, qPrintable(name));
    QCOMPARE(QString::fromLatin1(w->metaObject()->className()), className);
    QVERIFY(w->parentWidget());
    QCOMPARE(w->parentWidget()->objectName(), parentName);
    if (!geometry.isNull())
        QCOMPARE(w->geometry(), geometry);
    QCOMPARE(shownText(w), text);
    QVERIFY2(!w->isHidden(), "the form itself hides nothing");

    const QFont standard = QApplication::font(w);
    QCOMPARE(w->font().family(), standard.family());
    QCOMPARE(w->font().weight(), (style & Bold) ? QFont::Bold : standard.weight());
    QCOMPARE(w->font().pointSize(), (style & Point11) ? 11 : standard.pointSize());

    if (auto label = qobject_cast<QLabel *>(w)) {
        const Qt::Alignment expected = (style & Centred) ? Qt::AlignCenter : QLabel().alignment();
        QCOMPARE(label->alignment(), expected);
    }
}

void tst_MainWindowForm::targetFrequencyChoices()
{
    const QStringList expected = {"406.025 MHz", "406.028 MHz", "406.031 MHz", "406.037 MHz",
                                  "406.040 MHz"};
    QStringList items;
    for (int i = 0; i < ui->comboBox->count(); ++i)
        items << ui->comboBox->itemText(i);
    QCOMPARE(items, expected);
    QCOMPARE(ui->comboBox->currentIndex(), 2);
    QVERIFY(!ui->comboBox->isEditable());
}

void tst_MainWindowForm::infoPanel()
{
    // Created visible but outside the window's width; the window hides and moves it.
    QCOMPARE(ui->Infoframe->pos(), QPoint(490, 20));
    QVERIFY(ui->Infoframe->x() >= window->width());
    QCOMPARE(ui->Infoframe->frameShape(), QFrame::StyledPanel);
    QCOMPARE(ui->Infoframe->frameShadow(), QFrame::Raised);

    QCOMPARE(ui->progressBar->value(), 24);
    QVERIFY(!ui->progressBar->isTextVisible());
    QCOMPARE(ui->progressBar->minimum(), 0);
    QCOMPARE(ui->progressBar->maximum(), 100);
}

void tst_MainWindowForm::barsBelongToWindow()
{
    QCOMPARE(window->centralWidget(), ui->centralwidget);
    QCOMPARE(window->menuBar(), ui->menubar);
    QCOMPARE(window->statusBar(), ui->statusbar);
    QVERIFY(ui->menubar->actions().isEmpty());
    QVERIFY(ui->statusbar->currentMessage().isEmpty());
}

void tst_MainWindowForm::tabOrder()
{
    const QStringList expected = {
        "pbRequestData", "comboBox",     "lineEdit",         "lineEdit_2",
        "lineEdit_7",    "lineEdit_5",   "lineEdit_8",       "lineEdit_4",
        "lineEdit_9",    "lineEdit_3",   "lineEdit_DD",      "lineEdit_6",
        "lineEdit_11",   "pbDecodeData", "listWidgetStatus", "lineEditHexMsg",
    };

    // Only widgets the tab key can land on count; the chain also runs through labels.
    QStringList visited;
    QWidget *w = ui->pbRequestData;
    for (int guard = 0; guard < 1000; ++guard) {
        if (w->focusPolicy() & Qt::TabFocus)
            visited << w->objectName();
        w = w->nextInFocusChain();
        if (w == ui->pbRequestData)
            break;
    }
    QCOMPARE(w, ui->pbRequestData);
    QCOMPARE(visited, expected);
}

void tst_MainWindowForm::lineEditsUnrestricted_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("label");

    // Each operator field beside the label that names it.
    QTest::newRow("vessel name") << QStringLiteral("lineEdit") << QStringLiteral("label_9");
    QTest::newRow("manufacturer") << QStringLiteral("lineEdit_2") << QStringLiteral("label_10");
    QTest::newRow("model") << QStringLiteral("lineEdit_7") << QStringLiteral("label_15");
    QTest::newRow("beacon serial") << QStringLiteral("lineEdit_5") << QStringLiteral("label_11");
    QTest::newRow("bracket type") << QStringLiteral("lineEdit_8") << QStringLiteral("label_16");
    QTest::newRow("bracket serial") << QStringLiteral("lineEdit_4") << QStringLiteral("label_12");
    QTest::newRow("battery expiry") << QStringLiteral("lineEdit_9") << QStringLiteral("label_17");
    QTest::newRow("hydrostatic release")
        << QStringLiteral("lineEdit_3") << QStringLiteral("label_14");
    QTest::newRow("sbm due date") << QStringLiteral("lineEdit_DD") << QStringLiteral("label_22");
    QTest::newRow("company") << QStringLiteral("lineEdit_6") << QStringLiteral("label_13");
    QTest::newRow("tested by") << QStringLiteral("lineEdit_11") << QStringLiteral("label_19");
    QTest::newRow("hex message") << QStringLiteral("lineEditHexMsg") << QStringLiteral("label");
}

void tst_MainWindowForm::lineEditsUnrestricted()
{
    QFETCH(QString, name);
    QFETCH(QString, label);

    auto edit = window->findChild<QLineEdit *>(name);
    auto caption = window->findChild<QLabel *>(label);
    QVERIFY(edit);
    QVERIFY(caption);

    // Same row, and the label ends left of where the field begins.
    QCOMPARE(edit->y(), caption->y());
    QVERIFY(caption->x() < edit->x());

    QVERIFY(!edit->isReadOnly());
    QCOMPARE(edit->maxLength(), QLineEdit().maxLength());
    QVERIFY(edit->inputMask().isEmpty());
    QVERIFY(!edit->validator());
    QCOMPARE(edit->echoMode(), QLineEdit::Normal);

    const QString typed = QStringLiteral("Ab 1/2 x-y #%*&'\"");
    QTest::keyClicks(edit, typed);
    QCOMPARE(edit->text(), typed);
}

void tst_MainWindowForm::textsUseMainWindowContext()
{
    MarkingTranslator translator;
    QVERIFY(QCoreApplication::installTranslator(&translator));
    ui->retranslateUi(window.get());
    QCoreApplication::removeTranslator(&translator);

    QCOMPARE(window->windowTitle(), QStringLiteral("<MainWindow>"));
    QCOMPARE(ui->groupBox_3->title(), QStringLiteral("<Status>"));
    QCOMPARE(ui->label_21->text(),
             QStringLiteral("<Start EPIRB \"Self-test\" within time limit.>"));
    QCOMPARE(ui->comboBox->itemText(4), QStringLiteral("<406.040 MHz>"));
    QCOMPARE(ui->pbDecodeData->text(), QStringLiteral("<Make Report>"));
    QVERIFY(ui->TxtLabelDistressStatus->text().isEmpty());
}

void tst_MainWindowForm::existingObjectNameKept()
{
    QMainWindow named;
    named.setObjectName(QStringLiteral("VestraMain"));
    Ui::MainWindow form;
    form.setupUi(&named);
    QCOMPARE(named.objectName(), QStringLiteral("VestraMain"));
}

void tst_MainWindowForm::buttonsReachSlotsByName()
{
    SlotWindow slotWindow;
    Ui::MainWindow form;
    form.setupUi(&slotWindow);

    form.pbRequestData->click();
    QCOMPARE(slotWindow.requestClicks, 1);
    QCOMPARE(slotWindow.decodeClicks, 0);

    form.pbDecodeData->click();
    QCOMPARE(slotWindow.requestClicks, 1);
    QCOMPARE(slotWindow.decodeClicks, 1);
}

QTEST_MAIN(tst_MainWindowForm)
#include "tst_mainwindowform.moc"
