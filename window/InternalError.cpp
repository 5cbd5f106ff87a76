#include "InternalError.h"

#include <window/RuntimeStop.h>

namespace window {

void RaiseUseListError()
{
    InternalError(kUseListError, kTagUseBinding);
}

void RaiseDescriptorNotFound()
{
    InternalError(kDescriptorNotFound, kTagWindowLoading);
}

void RaiseClassNotRegistered()
{
    InternalError(kClassNotRegistered, kTagWindowLoading);
}

} // namespace window
