#ifndef WINESERIAL_H
#define WINESERIAL_H

// Wine 8.0's overlapped WaitCommEvent gives up on a device without modem
// lines, such as the pseudo-terminal of the simulator, and never posts a
// completion packet; Qt's serial port waits on just that. This takes over
// WaitCommEvent (and the CreateIoCompletionPort, CancelIo and CloseHandle that
// go with it) in Qt6SerialPort.dll's import table only: a thread polls the
// input queue every millisecond and completes the wait as Windows does. Qt's
// reads, writes and settings stay Qt's and Wine's.
namespace WineSerial {

void install();

} // namespace WineSerial

#endif // WINESERIAL_H
