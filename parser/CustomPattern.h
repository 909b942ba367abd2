#pragma once

#include <string>

#include "parser/Regex.h"

namespace nabbit {

// A user-defined pattern and the service it stands for (as written in the file; reported in
// lower case). Its capture groups hold the code.
struct CustomPattern {
    std::string service;
    Regex regex;
};

}  // namespace nabbit
