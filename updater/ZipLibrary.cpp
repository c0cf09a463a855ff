#include "updater/ZipLibrary.h"

namespace updater {

namespace {

// "ZIP压缩" and what it offers.
constexpr char kTypeName[] = "ZIP\xD1\xB9\xCB\xF5";
constexpr framework::Word kCommands[] = {0}; // ZipExtract

// No get-interface routine: the framework keeps a unit of this type without a control.
constexpr framework::UnitTypeInfo kTypes[] = {
    {kTypeName, "Zip", "", 1, kCommands, 0, 0, 0, nullptr, 0, nullptr, nullptr, 0, nullptr},
};

} // namespace

const framework::LibraryInfo ZipLibraryInfo = {
    framework::kLibraryMagic,
    "ZipComponent",
    1,
    0,
    1,
    1,
    0,
    1,
    0,
    kTypeName,
    1,
    {},
    1,
    kTypes,
    {},
    nullptr,
    {},
};

} // namespace updater
