#include "winedriver.h"
#include "wineserial.h"

#include <QGenericPlugin>

// Started by Qt before the window exists, when WINEQT_QPA_GENERIC_PLUGINS
// names it (Wine turns that into QT_QPA_GENERIC_PLUGINS).
class WineTestPlugin : public QGenericPlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "winetest.json")

public:
    QObject *create(const QString &, const QString &) override
    {
        WineSerial::install();
        const QString log = qEnvironmentVariable("VESTRA_WINE_DRIVE");
        return log.isEmpty() ? new QObject : new WineDriver(log);
    }
};

#include "winetestplugin.moc"
