#include "vestracomm.h"

#include "requestscripts.h"

vestraComm::vestraComm(QObject *parent) : QObject(parent) {}

QByteArray vestraComm::requestPacket(bool dataPage, int index)
{
    const RequestScripts::Packet *script =
        dataPage ? RequestScripts::dataPage : RequestScripts::mainPage;
    const int count = dataPage ? RequestScripts::DataPagePackets : RequestScripts::MainPagePackets;
    if (index < 0 || index >= count || script[index].length < 1)
        return {};
    return QByteArray(reinterpret_cast<const char *>(script[index].bytes), script[index].length);
}
