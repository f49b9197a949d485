#ifndef MAINWINDOWFORM_H
#define MAINWINDOWFORM_H

// The main window's form, Ui_MainWindow, as uic makes it from mainwindow.ui.
#include "ui_mainwindow.h"

#endif // MAINWINDOWFORM_H
