#ifndef KEPTASIDE_H
#define KEPTASIDE_H

#include "result.h"
#include "testhistory.h"

#include <QString>
#include <QStringList>

// Tests the history could not take (locked past its wait, a full disk, a
// read-only or vanished folder), kept on the disk until it can: one small
// register file a test, in a folder of the program's own that no spreadsheet
// edits. A test kept again replaces its earlier file, as it replaces its
// record in the history.
namespace KeptAside {

// The program's own: the user's local data folder of "Kova VESTRA", such as
// ~/.local/share/Halvik/Kova VESTRA/kept-aside or, on Windows,
// %LOCALAPPDATA%\Halvik\Kova VESTRA\kept-aside. Empty when the system names none.
QString folder();

// Keeps the test in folder (made when missing), on the disk before it returns.
Done keep(const QString &folder, const TestRecord &record);

// The files of the tests waiting in folder, oldest measurement first.
QStringList waiting(const QString &folder);

// Adds the test kept in file to history and then drops the file: its number.
// A file that holds no test is renamed *.unreadable, out of the way, and said.
Result<qint64> land(const QString &file, TestHistory &history);

} // namespace KeptAside

#endif // KEPTASIDE_H
