#ifndef REPORTCHECK_H
#define REPORTCHECK_H

#include <QList>
#include <QObject>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QUrl>

class MainWindow;

// Reading reports back with poppler's tools, and a home of their own for tests.
namespace ReportCheck {

struct Word
{
    QString text;
    QRectF box; // in points, origin at the page's top-left corner
};

// Points HOME at dir with an empty Documents folder in it, so the reports go
// to dir/Documents/VESTRA_Reports once a window is built.
void useHome(const QTemporaryDir &dir);
QString reportFolder();

QString layoutText(const QString &pdf);
QString pdfInfo(const QString &pdf);
QString imageList(const QString &pdf);
QList<Word> words(const QString &pdf);

// True when one line of the layout text holds label and then value; an empty
// label means the value stands alone on its line.
bool hasRow(const QString &layoutText, const QString &label, const QString &value);

// Sets the text of the line edit or label of that object name.
void setField(MainWindow *window, const char *objectName, const QString &text);

// The fields and results as a completed exchange and a technician leave them.
void fillTypicalTest(MainWindow *window, const QString &hexMessage);

// Lets no file of this process grow beyond the given size while it lives, as
// on a full disk. Writes beyond it fail instead of raising a signal.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(qint64 bytes);
    ~FileSizeLimit();

private:
    qint64 previous = -1;
};

} // namespace ReportCheck

// Stands in for the desktop's PDF viewer.
class UrlCatcher : public QObject
{
    Q_OBJECT

public:
    UrlCatcher();
    ~UrlCatcher() override;
    QList<QUrl> urls;

public slots:
    void open(const QUrl &url) { urls.append(url); }
};

#endif // REPORTCHECK_H
