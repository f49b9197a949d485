#ifndef DECODERLOGGING_H
#define DECODERLOGGING_H

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcDecoder)

#endif // DECODERLOGGING_H
