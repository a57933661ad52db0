// The identifier table of coreaudio_ids.h as Windows GUIDs. Windows only.
#pragma once

#include <windows.h>

#include "coreaudio_ids.h"

namespace havro::coreaudio {

static_assert(sizeof(havro::ids::Guid) == sizeof(GUID), "a table entry has a GUID's layout");

inline const GUID& AsGuid(const havro::ids::Guid& id) {
    return *reinterpret_cast<const GUID*>(&id);
}

}  // namespace havro::coreaudio
