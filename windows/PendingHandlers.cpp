// Handlers not written yet: each does nothing, so that every template links. A handler leaves
// this file when its real body is written.

#include "windows/Handlers.h"

namespace windows {

using framework::EventResult;
using framework::UnitEvent;

EventResult OnRefreshButtonClick(const UnitEvent&)
{
    return std::nullopt;
}

} // namespace windows
