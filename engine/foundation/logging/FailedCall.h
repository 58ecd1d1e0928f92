#pragma once
// The one way a failed COM, Direct3D or sound-engine call is checked and logged.
//
// The log line is " <function> Line: <line> <call> failed!" (an error at priority 100),
// where function is the qualified name ("Ulvo::DeferredLight::storeSpotShadowMap") and call
// the text of the call. Code whose line and call text are fixed by the log format passes
// them to failedCall / logFailedCall; everything else uses ULVO_CHECK, which takes the
// line and the text from the source.
#include "foundation/logging/Logger.h"

#include <windows.h>

#include <string_view>

namespace Ulvo {

// Writes the failure line of one call to log (the main logger or a module logger).
// ending replaces " failed!" where a call reports failure otherwise (" returned false!").
template <class Log>
void logFailedCall(Log& log, std::wstring_view function, int line, std::wstring_view call,
                   std::wstring_view ending = L" failed!")
{
    log.log(100, LOG_TYPE_ERROR, L" ", function, L" Line: ", line, L" ", call, ending, L"\n");
}

// True when result is a failure, which is then logged to the main logger.
bool failedCall(HRESULT result, std::wstring_view function, int line, std::wstring_view call);

} // namespace Ulvo

// ULVO_CHECK(function, call, failure): runs call; when it fails, logs it under function with
// its source line and text and returns failure from the calling function.
#define ULVO_CHECK(function, call, failure)                                                                            \
    do {                                                                                                               \
        if (::Ulvo::failedCall((call), function, __LINE__, L## #call))                                                 \
            return failure;                                                                                            \
    } while (false)

// ULVO_CHECK_RESULT(function, call): as ULVO_CHECK, returning the failed result itself.
#define ULVO_CHECK_RESULT(function, call)                                                                              \
    do {                                                                                                               \
        if (const HRESULT ulvoResult_ = (call); ::Ulvo::failedCall(ulvoResult_, function, __LINE__, L## #call))        \
            return ulvoResult_;                                                                                        \
    } while (false)
