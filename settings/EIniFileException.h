#pragma once
#include "core/Exception.h"

// A settings file that cannot be written.
class EIniFileException : public Exception {
public:
    using Exception::Exception;
};
