#include "vestraversion.h"
#include "dialogabout.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>

namespace {

const char lgplPath[] = "/usr/share/common-licenses/LGPL-3";
const QString indent(9, QLatin1Char(' '));

QStringList widgetChildNames(const QWidget *parent)
{
    QStringList names;
    for (const QObject *child : parent->children()) {
        if (child->isWidgetType())
            names << child->objectName();
    }
    return names;
}

} // namespace

class tst_DialogAbout : public QObject
{
    Q_OBJECT

private slots:
    void dialogItself();
    void widgets_data();
    void widgets();
    void buttonBox();
    void version_data();
    void version();
    void noticeIntroduction();
    void noticeMatchesInstalledLicence();
    void noticeReadOnlyButSelectable();
    void closing_data();
    void closing();
    void showingTwiceKeepsOneDialog();

private:
    static QString notice(DialogAbout &dialog)
    {
        return dialog.findChild<QTextEdit *>(QStringLiteral("textEdit"))->toPlainText();
    }
};

void tst_DialogAbout::dialogItself()
{
    QWidget owner;
    DialogAbout dialog(&owner);
    QCOMPARE(dialog.parentWidget(), &owner);
    QVERIFY(dialog.isWindow());
    QCOMPARE(dialog.objectName(), QStringLiteral("DialogAbout"));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("About..."));
    QCOMPARE(dialog.size(), QSize(518, 393));
    QCOMPARE(dialog.minimumSize(), QSize(0, 0));
    QCOMPARE(dialog.maximumSize(), QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
    QVERIFY(!dialog.isModal());
    QVERIFY(dialog.isHidden());
    QVERIFY(!dialog.layout());
    QCOMPARE(widgetChildNames(&dialog),
             QStringList({"buttonBox", "lblName", "lblVersion", "textEdit"}));
}

void tst_DialogAbout::widgets_data()
{
    QTest::addColumn<QString>("className");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<bool>("large");
    QTest::addColumn<bool>("centred");

    QTest::newRow("buttonBox") << "QDialogButtonBox" << QRect(90, 350, 341, 32) << false << false;
    QTest::newRow("lblName") << "QLabel" << QRect(0, 10, 511, 21) << true << true;
    QTest::newRow("lblVersion") << "QLabel" << QRect(80, 30, 351, 31) << true << true;
    QTest::newRow("textEdit") << "QTextEdit" << QRect(30, 70, 461, 271) << false << false;
}

void tst_DialogAbout::widgets()
{
    QFETCH(QString, className);
    QFETCH(QRect, geometry);
    QFETCH(bool, large);
    QFETCH(bool, centred);

    DialogAbout dialog(nullptr);
    auto w = dialog.findChild<QWidget *>(QString::fromLatin1(QTest::currentDataTag()));
    QVERIFY(w);
    QCOMPARE(w->parentWidget(), &dialog);
    QCOMPARE(QString::fromLatin1(w->metaObject()->className()), className);
    QCOMPARE(w->geometry(), geometry);

    const QFont standard = QApplication::font(w);
    QCOMPARE(w->font().pointSize(), large ? 12 : standard.pointSize());
    QCOMPARE(w->font().family(), standard.family());
    QCOMPARE(w->font().weight(), standard.weight());

    if (auto label = qobject_cast<QLabel *>(w))
        QCOMPARE(label->alignment(), centred ? Qt::AlignCenter : QLabel().alignment());
}

void tst_DialogAbout::buttonBox()
{
    DialogAbout dialog(nullptr);
    auto box = dialog.findChild<QDialogButtonBox *>(QStringLiteral("buttonBox"));
    QVERIFY(box);
    QCOMPARE(box->orientation(), Qt::Horizontal);
    QCOMPARE(box->standardButtons(), QDialogButtonBox::Ok);
    QCOMPARE(box->buttons().size(), 1);
    QVERIFY(box->centerButtons());

    auto name = dialog.findChild<QLabel *>(QStringLiteral("lblName"));
    QCOMPARE(name->text(), QStringLiteral("Kova VESTRA Display and report generator"));
}

void tst_DialogAbout::version_data()
{
    QTest::addColumn<QString>("version");
    QTest::addColumn<QString>("shown");

    QTest::newRow("release") << QStringLiteral(VESTRA_VERSION) << QStringLiteral("Version: " VESTRA_VERSION);
    QTest::newRow("no version set") << QString() << QStringLiteral("Version: ");
    QTest::newRow("longer text") << QStringLiteral("4.1.0-beta 2")
                                 << QStringLiteral("Version: 4.1.0-beta 2");
}

void tst_DialogAbout::version()
{
    QFETCH(QString, version);
    QFETCH(QString, shown);

    DialogAbout dialog(nullptr);
    auto label = dialog.findChild<QLabel *>(QStringLiteral("lblVersion"));
    QCOMPARE(label->text(), QStringLiteral("TextLabel"));
    QVERIFY(notice(dialog).isEmpty());

    dialog.setVersion(version);
    QCOMPARE(label->text(), shown);
    QVERIFY(!notice(dialog).isEmpty());
}

void tst_DialogAbout::noticeIntroduction()
{
    DialogAbout dialog(nullptr);
    dialog.setVersion(QStringLiteral(VESTRA_VERSION));
    const QStringList lines = notice(dialog).split(QLatin1Char('\n'));
    QVERIFY(lines.size() > 6);

    QCOMPARE(lines.at(0), QString());
    QCOMPARE(lines.at(1),
             indent + "This program is dynamically linked to the LGPL licensed QT library.");
    QVERIFY2(lines.at(2).startsWith(indent) && lines.at(2).at(9) != QLatin1Char(' '),
             "second line indented by exactly nine blanks");
    QVERIFY(lines.at(2).contains(QStringLiteral("The Qt Company Ltd")));
    QVERIFY(lines.at(2).contains(QStringLiteral("https://www.qt.io")));
    QCOMPARE(lines.at(3), indent + "The terms of the LGPL license follows below:");
    QCOMPARE(lines.at(4), QString());
    QCOMPARE(lines.at(5).trimmed(), QStringLiteral("GNU LESSER GENERAL PUBLIC LICENSE"));
    QCOMPARE(lines.at(6).trimmed(), QStringLiteral("Version 3, 29 June 2007"));

    // Complete down to the last words of section 6.
    QVERIFY(notice(dialog).trimmed().endsWith(QStringLiteral(
        "permanent authorization for you to choose that version for the\nLibrary.")));
}

void tst_DialogAbout::noticeMatchesInstalledLicence()
{
    QFile lgpl(QString::fromLatin1(lgplPath));
    if (!lgpl.open(QIODevice::ReadOnly))
        QSKIP("No LGPL-3 text installed to compare with");
    const QString published = QString::fromUtf8(lgpl.readAll());

    DialogAbout dialog(nullptr);
    dialog.setVersion(QStringLiteral(VESTRA_VERSION));
    const QString text = notice(dialog);

    // The introduction comes first: an empty line, three lines, an empty line.
    qsizetype start = 0;
    for (int i = 0; i < 5; ++i)
        start = text.indexOf(QLatin1Char('\n'), start) + 1;
    QVERIFY(start > 0);
    QCOMPARE(text.mid(start), published);
}

void tst_DialogAbout::noticeReadOnlyButSelectable()
{
    DialogAbout dialog(nullptr);
    dialog.setVersion(QStringLiteral(VESTRA_VERSION));
    auto edit = dialog.findChild<QTextEdit *>(QStringLiteral("textEdit"));
    const QString before = edit->toPlainText();

    QVERIFY(edit->isReadOnly());
    const Qt::TextInteractionFlags flags = edit->textInteractionFlags();
    QVERIFY(flags.testFlag(Qt::TextSelectableByMouse));
    QVERIFY(!flags.testFlag(Qt::TextEditable));

    QTest::keyClicks(edit, QStringLiteral("xyz"));
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClick(edit, Qt::Key_Delete);
    QCOMPARE(edit->toPlainText(), before);

    edit->selectAll();
    QCOMPARE(edit->textCursor().selectedText().size(), before.size());
}

void tst_DialogAbout::closing_data()
{
    QTest::addColumn<bool>("byEscape");
    QTest::addColumn<int>("result");

    QTest::newRow("ok button") << false << int(QDialog::Accepted);
    QTest::newRow("escape key") << true << int(QDialog::Rejected);
}

void tst_DialogAbout::closing()
{
    QFETCH(bool, byEscape);
    QFETCH(int, result);

    QWidget owner;
    DialogAbout dialog(&owner);
    dialog.setVersion(QStringLiteral(VESTRA_VERSION));
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));

    if (byEscape) {
        QTest::keyClick(&dialog, Qt::Key_Escape);
    } else {
        auto box = dialog.findChild<QDialogButtonBox *>(QStringLiteral("buttonBox"));
        QTest::mouseClick(box->button(QDialogButtonBox::Ok), Qt::LeftButton);
    }
    QVERIFY(dialog.isHidden());
    QCOMPARE(dialog.result(), result);

    // Shown again later with what it had.
    dialog.show();
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.findChild<QLabel *>(QStringLiteral("lblVersion"))->text(),
             QStringLiteral("Version: " VESTRA_VERSION));
    QVERIFY(!notice(dialog).isEmpty());
}

void tst_DialogAbout::showingTwiceKeepsOneDialog()
{
    QWidget owner;
    auto dialog = new DialogAbout(&owner);
    dialog->setVersion(QStringLiteral(VESTRA_VERSION));
    dialog->show();
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog));

    QCOMPARE(owner.findChildren<DialogAbout *>().size(), 1);
    int visibleDialogs = 0;
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (qobject_cast<DialogAbout *>(w) && w->isVisible())
            ++visibleDialogs;
    }
    QCOMPARE(visibleDialogs, 1);
}

QTEST_MAIN(tst_DialogAbout)
#include "tst_dialogabout.moc"
