#pragma once
// Messages in test failures: the code's English words, so a failed comparison reads as what the
// user would have been told.

#include "common/message.h"

#include <ostream>

inline void PrintTo(const CMessage& message, std::ostream* os) {
    *os << "Msg " << static_cast<int>(message.id) << " \"" << MessageText(message) << "\"";
}
