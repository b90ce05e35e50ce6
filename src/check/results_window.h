#pragma once

#include "forms/form.h"

namespace vesperon {

// The results window: lists the files that "Test Now" found in use. It has no code of its own.
class Form2 final : public Form {
public:
    explicit Form2(Forms& forms);
    static platform::FormLayout layout();
};

} // namespace vesperon
