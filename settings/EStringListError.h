#pragma once
#include "core/Exception.h"

// A list given an entry it does not accept, such as a duplicate name.
class EStringListError : public Exception {
public:
    using Exception::Exception;
};
