// Work to do when the message queue runs empty. Implemented by top-level
// windows; called by CMessageLoop once after every message that re-arms idle
// processing.
#pragma once

#include <windows.h>

class CIdleHandler {
public:
    // True when more idle work is wanted (the loop does not look at it).
    virtual BOOL OnIdle() = 0;

protected:
    ~CIdleHandler() = default;
};
