#include "debug/error_list.h"

namespace qvl {

void ErrorList::add(std::string detail) {
    // A loop that fails on every pass must not grow the list without end.
    if (entries_.size() == kLimit) entries_.erase(entries_.begin());
    entries_.push_back(std::move(detail));
}

}  // namespace qvl
