#ifndef PTYPEER_H
#define PTYPEER_H

#include <QByteArray>
#include <QString>

// A bare pseudo-terminal whose master side the test plays as the instrument,
// byte for byte, for handshake cases the simulator has no option for.
class PtyPeer
{
public:
    PtyPeer();
    ~PtyPeer();

    bool isOpen() const { return master >= 0; }
    QString portPath() const { return path; }

    void write(const QByteArray &bytes);
    // Everything the program has sent so far, waiting up to waitMs for the first byte.
    QByteArray read(int waitMs = 200);

private:
    int master = -1;
    QString path;
};

#endif // PTYPEER_H
