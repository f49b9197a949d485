#ifndef CONSOLEOUTPUT_H
#define CONSOLEOUTPUT_H

#include <QByteArray>
#include <QString>

#include <cstdio>

// What the command-line tools print. A pipe or a file gets UTF-8 on every
// platform, the same bytes as on Linux; a Windows console gets the text as
// UTF-16 through WriteConsoleW, so that neither the console's code page nor
// the ANSI one garbles a degree mark or an "ø".
namespace ConsoleOutput {

// False when the stream took less than all of it.
bool write(std::FILE *stream, const QString &text);
bool writeUtf8(std::FILE *stream, const QByteArray &utf8);

} // namespace ConsoleOutput

#endif // CONSOLEOUTPUT_H
