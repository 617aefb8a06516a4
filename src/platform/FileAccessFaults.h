// The fault seam's side inside file access: each platform's half asks it before every call.
#pragma once

#include "FileAccess.h"

namespace FileAccess {

// The errno value a test wants this call to fail with, or 0.
int injectedFault(Op op);

} // namespace FileAccess
