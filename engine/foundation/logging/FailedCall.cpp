#include "foundation/logging/FailedCall.h"

namespace Ulvo {

bool failedCall(HRESULT result, std::wstring_view function, int line, std::wstring_view call)
{
    if (SUCCEEDED(result))
        return false;
    logFailedCall(mainLogger(), function, line, call);
    return true;
}

} // namespace Ulvo
