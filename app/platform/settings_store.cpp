#include "settings_store.h"

namespace tk {

std::string entryKey(std::string_view base, int index) {
    std::string key(base);
    key += ' ';
    key += std::to_string(index);
    return key;
}

}  // namespace tk
