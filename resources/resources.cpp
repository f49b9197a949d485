#include "resources.h"

#include <QtCore/qglobal.h>

void vestraInitResources()
{
    static bool registered = false;
    if (registered)
        return;
    Q_INIT_RESOURCE(licence);
    Q_INIT_RESOURCE(images);
    registered = true;
}
