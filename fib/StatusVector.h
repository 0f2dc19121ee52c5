#pragma once
#include <ibase.h>

// The calling thread's status vector (20 entries in the published layout), handed to every client call.
ISC_STATUS* ThreadStatusVector();

// A failure that the error handler suppressed leaves its status in the thread's vector: clear it before
// a step and look at it afterwards.
inline void ClearThreadStatus() {
    ISC_STATUS* sv = ThreadStatusVector();
    sv[0] = 1;
    sv[1] = 0;
}
inline bool ThreadStatusFailed() { return ThreadStatusVector()[1] != 0; }
