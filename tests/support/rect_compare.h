#pragma once
// Lets tests compare and print the host's rectangles.

#include <ostream>

#include "host/filter_record.h"

namespace tessera {

inline bool operator==(const Rect& a, const Rect& b) {
    return a.top == b.top && a.left == b.left && a.bottom == b.bottom && a.right == b.right;
}

inline std::ostream& operator<<(std::ostream& os, const Rect& r) {
    return os << "(top " << r.top << ", left " << r.left << ", bottom " << r.bottom << ", right " << r.right << ")";
}

}  // namespace tessera
