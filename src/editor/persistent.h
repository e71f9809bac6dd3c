// The base of the editor control's option objects: copying between objects of one class
// copies every published value; copying from another class is refused with the
// framework's assignment error, and nothing changes.
#pragma once

#include "platform/componenterror.h"

#include <string>

namespace velmo {

class TPersistent {
public:
    virtual ~TPersistent() = default;
    virtual void Assign(const TPersistent &source) { AssignError(source); }
    virtual const char *ClassName() const = 0;

protected:
    [[noreturn]] void AssignError(const TPersistent &source) const
    {
        throw ComponentError(std::string("Cannot assign a ") + source.ClassName() + " to a " + ClassName());
    }
};

} // namespace velmo
