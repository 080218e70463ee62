#include "platform/exceptions.h"

#include <utility>

#include "platform/os_error.h"
#include "platform/system_texts.h"

namespace platform {

EInOutError::EInOutError(int code) : EInOutError(code, std::string()) {}

EInOutError::EInOutError(int code, std::string path)
    : Exception(OsErrorMessage(code)), code_(code), path_(std::move(path)) {}

EListError::EListError(int index)
    : Exception(Format(texts::ListIndexFormat(), index)), index_(index) {}

}  // namespace platform
