#pragma once

#include "dialogs.h"

#include <QString>
#include <QStringView>

#include <exception>
#include <type_traits>
#include <utility>

namespace tw::app {

// The number of a handler's step, as the error report box shows it after "at line ": a
// constant of the handler's own enum of steps (a bare number for the pages' short handlers).
class StepNumber
{
public:
    constexpr StepNumber(int number)
        : m_number(number)
    {}

    template <class Step>
    requires std::is_enum_v<Step>

    constexpr StepNumber(Step step)
        : m_number(static_cast<int>(step))
    {}

    constexpr int value() const { return m_number; }

private:
    int m_number;
};

// The error trap every working handler arms first. Each numbered step runs through it; a step
// that throws is reported in the "Application Error" box with the handler's location and the
// step's number, and the handler goes on with its next step.
//
//     ErrorTrap trap{dialogs, ErrorLocation::Form1_Form_Load};
//     trap(100, [&] { applySkin(); });
//     if (trap.test(124, [&] { return FileExists(path); })) { ... }
class ErrorTrap
{
public:
    ErrorTrap(Dialogs &dialogs, QStringView location)
        : m_dialogs(dialogs)
        , m_location(location)
    {}

    // Runs one step; a failure is reported and swallowed. True when the step completed.
    template <class Step> bool operator()(StepNumber lineNumber, Step &&step) noexcept
    {
        try {
            std::forward<Step>(step)();
            return true;
        } catch (...) {
            report(lineNumber.value(), std::current_exception());
            return false;
        }
    }

    // Runs the test of a conditional. When the test itself fails, the failure is reported
    // and the branch is entered as if the test had passed.
    template <class Condition> bool test(StepNumber lineNumber, Condition &&condition) noexcept
    {
        try {
            return static_cast<bool>(std::forward<Condition>(condition)());
        } catch (...) {
            report(lineNumber.value(), std::current_exception());
            return true;
        }
    }

    // Shows the box for a failure the caller caught itself.
    void report(StepNumber lineNumber, const QString &description) noexcept;

    QStringView location() const { return m_location; }

    // How many failures this trap has reported so far.
    int reports() const { return m_reports; }

    // The description of the last failure reported; empty before the first.
    const QString &lastFailure() const { return m_lastFailure; }

    // True once a step stopped because the user closed the window (WorkStopped): no box is
    // shown for it, and the handler ends its work.
    bool stopped() const { return m_stopped; }

    // True once a reported failure said the connection to a data source is gone: every later
    // statement on it would fail too.
    bool connectionLost() const { return m_connectionLost; }

private:
    void report(int lineNumber, std::exception_ptr error) noexcept;

    Dialogs &m_dialogs;
    QStringView m_location;
    int m_reports = 0;
    QString m_lastFailure;
    bool m_connectionLost = false;
    bool m_stopped = false;
};

// The text an exception carries, as the error report box shows it.
QString errorDescription(std::exception_ptr error);

} // namespace tw::app
