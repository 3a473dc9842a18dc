#pragma once
#include "core/dialogs.h"

namespace kess {

// Knows whether a forecast run or a learning run is under way; while one is, no other starts.
class RunGate {
public:
    bool busy() const { return m_busy; }
    // What a click that asks for a run hears while another run holds the gate. It does not hold
    // up the run under way.
    static void tellBusy()
    {
        Dialogs::notifyNonBlocking(QStringLiteral("A forecast or learning run is already under way.  "
                                                  "A new run can start once it has finished."));
    }
    // Closes the gate for the life of the hold; a hold taken while the gate is closed is empty.
    class Hold {
    public:
        explicit Hold(RunGate &gate) : m_gate(gate), m_owns(!gate.m_busy) { if (m_owns) gate.m_busy = true; }
        ~Hold() { if (m_owns) m_gate.m_busy = false; }
        bool acquired() const { return m_owns; }
        Hold(const Hold &) = delete;
        Hold &operator=(const Hold &) = delete;
    private:
        RunGate &m_gate;
        bool m_owns;
    };
private:
    bool m_busy = false;
};

} // namespace kess
