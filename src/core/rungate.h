#pragma once
#include "core/dialogs.h"

#include <optional>

namespace kess {

// Knows whether a forecast run or a learning run is under way; while one is, no other starts,
// and the run's notices do not wait for a click.
class RunGate {
public:
    enum class Kind { Forecast, Learning };
    bool busy() const { return m_busy; }
    // The kind of the run under way (meaningful while busy).
    Kind kind() const { return m_kind; }
    // Closes the gate for the life of the hold; a hold taken while the gate is closed is empty.
    class Hold {
    public:
        explicit Hold(RunGate &gate, Kind kind = Kind::Forecast) : m_gate(gate), m_owns(!gate.m_busy)
        {
            if (m_owns) {
                gate.m_busy = true;
                gate.m_kind = kind;
                m_notices.emplace();
            }
        }
        ~Hold() { if (m_owns) m_gate.m_busy = false; }
        bool acquired() const { return m_owns; }
        Hold(const Hold &) = delete;
        Hold &operator=(const Hold &) = delete;
    private:
        RunGate &m_gate;
        bool m_owns;
        std::optional<Dialogs::RunNotices> m_notices;
    };
private:
    bool m_busy = false;
    Kind m_kind = Kind::Forecast;
};

// The short notice a click gets when it would start or change something while a run is under
// way. It holds nothing up: the run goes on.
void notifyRunUnderWay();

} // namespace kess
