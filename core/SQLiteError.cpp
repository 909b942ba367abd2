#include "core/SQLiteError.h"

#include <utility>

namespace nabbit {

SQLiteError::SQLiteError(Kind kind, int code, std::string message)
    : kind_(kind), code_(code), message_(std::move(message)) {}

SQLiteError SQLiteError::openFailed(int code, std::string message) {
    return {Kind::openFailed, code, std::move(message)};
}

SQLiteError SQLiteError::prepareFailed(int code, std::string message) {
    return {Kind::prepareFailed, code, std::move(message)};
}

SQLiteError SQLiteError::stepFailed(int code, std::string message) {
    return {Kind::stepFailed, code, std::move(message)};
}

std::string SQLiteError::description() const {
    const char* what = "open";
    switch (kind_) {
        case Kind::openFailed:
            what = "open";
            break;
        case Kind::prepareFailed:
            what = "prepare";
            break;
        case Kind::stepFailed:
            what = "step";
            break;
    }
    return "sqlite " + std::string(what) + " failed (code " + std::to_string(code_) +
           "): " + message_;
}

}  // namespace nabbit
