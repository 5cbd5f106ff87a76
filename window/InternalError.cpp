#include "InternalError.h"

#include <value/RuntimeFault.h>

namespace window {

void RaiseUseListError()
{
    value::RuntimeErrorStop(kUseListError, "Internal error 01");
}

void RaiseDescriptorNotFound()
{
    value::RuntimeErrorStop(kDescriptorNotFound, "Internal error 02");
}

void RaiseClassNotRegistered()
{
    value::RuntimeErrorStop(kClassNotRegistered, "Internal error 03");
}

} // namespace window
