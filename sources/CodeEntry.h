#pragma once

#include <vector>

#include <QMetaType>

#include "parser/ParsedOTP.h"
#include "sources/Message.h"

namespace nabbit {

// A message together with the code found in it.
struct CodeEntry {
    Message message;
    ParsedOTP otp;

    friend bool operator==(const CodeEntry&, const CodeEntry&) = default;
};

using CodeEntries = std::vector<CodeEntry>;

}  // namespace nabbit

Q_DECLARE_METATYPE(nabbit::CodeEntries)
