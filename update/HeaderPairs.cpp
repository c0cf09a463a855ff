#include "update/HeaderPairs.h"

#include <mutex>

namespace update {

namespace {

std::mutex g_pairsLock;
TextArray g_names;
TextArray g_values;

} // namespace

void AddHeaderPair(const GbkText& name, const GbkText& value)
{
    std::lock_guard lock(g_pairsLock);
    g_names.push_back(name);
    g_values.push_back(value);
}

GbkText BuildHeaderText(bool keepPairs)
{
    std::lock_guard lock(g_pairsLock);
    GbkText text;
    for (size_t i = 0; i < g_names.size(); ++i) {
        if (i > 0) {
            text += "\r\n";
        }
        text += g_names[i] + ": " + g_values[i];
    }
    if (!keepPairs) {
        g_names.clear();
        g_values.clear();
    }
    return text;
}

void ClearHeaderPairs()
{
    std::lock_guard lock(g_pairsLock);
    g_names.clear();
    g_values.clear();
}

} // namespace update
