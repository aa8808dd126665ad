#pragma once
// Lets tests print the host's rectangles.

#include <ostream>

#include "host/filter_record.h"

namespace tessera {

inline std::ostream& operator<<(std::ostream& os, const Rect& r) {
    return os << "(top " << r.top << ", left " << r.left << ", bottom " << r.bottom << ", right " << r.right << ")";
}

}  // namespace tessera
