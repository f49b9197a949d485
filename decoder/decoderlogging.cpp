#include "decoderlogging.h"

Q_LOGGING_CATEGORY(lcDecoder, "vestra.decoder")
