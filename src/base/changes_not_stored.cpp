#include "base/changes_not_stored.h"

namespace vornex {

ChangesNotStored& changes_not_stored() {
    static ChangesNotStored flag;
    return flag;
}

} // namespace vornex
