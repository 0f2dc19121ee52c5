#include "fib/StatusVector.h"

ISC_STATUS* ThreadStatusVector() {
    thread_local ISC_STATUS vector[ISC_STATUS_LENGTH] = {};
    return vector;
}
