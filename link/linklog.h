#ifndef LINKLOG_H
#define LINKLOG_H

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcLink)

#endif // LINKLOG_H
