// The exception a graphic raises when it is used against its precondition, such
// as a behavioural graphic whose render is missing ("Render!=NULL").
#ifndef GRAPHICS_PRECONDITION_EXCEPTION_H
#define GRAPHICS_PRECONDITION_EXCEPTION_H

#include "kit/error_msg_exception.h"

TVX_DECLARE_EXCEPTION(PreconditionException, ErrorMsgException, "Precondition failed");

#endif  // GRAPHICS_PRECONDITION_EXCEPTION_H
