// The Windows API as the host uses it: the lean header, without the min and max macros that would
// break std::min and std::max. Included by Windows builds only.
#ifndef QVHOST_WINDOWS_API_H
#define QVHOST_WINDOWS_API_H

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#endif
