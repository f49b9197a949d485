#ifndef REPORTLOG_H
#define REPORTLOG_H

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcReport)

#endif // REPORTLOG_H
