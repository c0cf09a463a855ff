#pragma once
// The resource id of the unpacker's image inside the updater; read by the resource compiler
// too, so nothing but the definition.
#define UPDATER_UNPACKER_RESOURCE 101
