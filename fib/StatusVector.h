#pragma once
#include <ibase.h>

// The calling thread's status vector (20 entries in the published layout), handed to every client call.
ISC_STATUS* ThreadStatusVector();
