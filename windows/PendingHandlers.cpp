// Handlers not written yet: each does nothing, so that every template links. A handler leaves
// this file when its real body is written.

#include "windows/Handlers.h"

namespace windows {

using framework::EventResult;
using framework::UnitEvent;

EventResult OnMainFirstActivate(const UnitEvent&)
{
    return std::nullopt;
}

EventResult OnMainQueryClose(const UnitEvent&)
{
    return std::nullopt;
}

EventResult OnMainDestroy(const UnitEvent&)
{
    return std::nullopt;
}

EventResult OnMainTrayEvent(const UnitEvent&)
{
    return std::nullopt;
}

EventResult OnMinimiseClick(const UnitEvent&)
{
    return std::nullopt;
}

EventResult OnAutoRefreshTimer(const UnitEvent&)
{
    return std::nullopt;
}

EventResult OnClothesPictureClick(const UnitEvent&)
{
    return std::nullopt;
}

EventResult OnUmbrellaPictureClick(const UnitEvent&)
{
    return std::nullopt;
}

EventResult OnAirconPictureClick(const UnitEvent&)
{
    return std::nullopt;
}

EventResult OnMenuButtonClick(const UnitEvent&)
{
    return std::nullopt;
}

EventResult OnAlarmButtonClick(const UnitEvent&)
{
    return std::nullopt;
}

EventResult OnCloseButtonClick(const UnitEvent&)
{
    return std::nullopt;
}

EventResult OnMainMenuSettings(const UnitEvent&)
{
    return std::nullopt;
}

EventResult OnMainMenuAbout(const UnitEvent&)
{
    return std::nullopt;
}

EventResult OnTrayMenuOpenMain(const UnitEvent&)
{
    return std::nullopt;
}

EventResult OnTrayMenuQuit(const UnitEvent&)
{
    return std::nullopt;
}

EventResult OnRefreshButtonClick(const UnitEvent&)
{
    return std::nullopt;
}

} // namespace windows
