// Functions of every shape whose log tags must read the same on GCC and MSVC.
#pragma once

#include "log/FunctionTag.h"

#include <string>

namespace NvLullgate {
class TagSample {
public:
    std::string ConstMember(const std::string&, double) const;
    // Defined in the header: the tag still names this function.
    std::string InlineInHeader() {
        LULLGATE_DECLARE_FUNCTION_TAG(tag);
        return tag.c_str();
    }
};
} // namespace NvLullgate

class GlobalSample {
public:
    GlobalSample();
    std::string constructorTag;
};

inline std::string FreeInlineFunction() {
    LULLGATE_DECLARE_FUNCTION_TAG(tag);
    return tag.c_str();
}
