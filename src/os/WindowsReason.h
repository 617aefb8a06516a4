// The reason for a Windows system error in Windows' own words, as the user's Windows words it
// ("The system cannot find the file specified"), without the closing full stop: callers end
// the sentence themselves. Windows only; defined beside the file access that uses it most.
#pragma once

#include <QString>

QString windowsReason(unsigned long error);
