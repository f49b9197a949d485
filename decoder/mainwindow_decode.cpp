// The window's decoding run: the message in the hex-message field becomes the
// listing that the report prints.

#include "mainwindow.h"

#include "messagelisting.h"
#include "ui_mainwindow.h"

bool MainWindow::decodeMessage()
{
    return buildListing(ui->lineEditHexMsg->text(), m_decodedLines);
}
