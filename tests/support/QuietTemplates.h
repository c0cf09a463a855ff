#pragma once
// Copies of window templates without their event bindings, for tests that load the stored
// windows as they are: no created, activation or close handler runs and changes what they show.
#include <deque>
#include <span>
#include <vector>

#include "framework/Template.h"

namespace testsupport {

class QuietTemplates {
public:
    explicit QuietTemplates(std::span<const framework::WindowTemplate* const> templates)
    {
        for (const framework::WindowTemplate* tpl : templates) {
            std::vector<framework::UnitTemplate>& units =
                m_units.emplace_back(tpl->units.begin(), tpl->units.end());
            for (framework::UnitTemplate& unit : units) {
                unit.events = {};
            }
            framework::WindowTemplate& quiet = m_windows.emplace_back(*tpl);
            quiet.events = {};
            quiet.units = units;
            m_list.push_back(&quiet);
        }
    }
    QuietTemplates(const QuietTemplates&) = delete;
    QuietTemplates& operator=(const QuietTemplates&) = delete;

    std::span<const framework::WindowTemplate* const> List() const { return m_list; }

private:
    std::deque<std::vector<framework::UnitTemplate>> m_units;
    std::deque<framework::WindowTemplate> m_windows;
    std::vector<const framework::WindowTemplate*> m_list;
};

} // namespace testsupport
