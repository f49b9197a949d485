#ifndef DIALOGABOUT_H
#define DIALOGABOUT_H

#include <QDialog>
#include <QString>

QT_BEGIN_NAMESPACE
namespace Ui {
class DialogAbout;
}
QT_END_NAMESPACE

// Product title, version and the Qt licence notice. Made once by the main
// window and shown again whenever the operator asks for it.
class DialogAbout : public QDialog
{
    Q_OBJECT

public:
    explicit DialogAbout(QWidget *parent);
    ~DialogAbout() override;

    // Fills in the version line and the licence notice.
    void setVersion(QString version);

private:
    Ui::DialogAbout *ui;
};

#endif // DIALOGABOUT_H
