#include "errortrap.h"

#include "core/connectionloss.h"
#include "errorreport.h"
#include "eventpump.h"

namespace tw::app {

QString errorDescription(std::exception_ptr error)
{
    try {
        std::rethrow_exception(std::move(error));
    } catch (const std::exception &e) {
        return QString::fromUtf8(e.what());
    } catch (...) {
        return QStringLiteral("Unknown error");
    }
}

void ErrorTrap::report(int lineNumber, std::exception_ptr error) noexcept
{
    try {
        std::rethrow_exception(error);
    } catch (const WorkStopped &) {
        m_stopped = true;
        return;
    } catch (const ConnectionLoss &loss) {
        m_connectionLost = m_connectionLost || loss.connectionLost();
    } catch (...) {
    }
    report(lineNumber, errorDescription(std::move(error)));
}

void ErrorTrap::report(StepNumber lineNumber, const QString &description) noexcept
{
    ++m_reports;
    m_lastFailure = description;
    try {
        ErrorReportBox(m_dialogs, description, m_location, lineNumber.value());
    } catch (...) {
        // A box that cannot be shown must not take the handler down with it.
    }
}

} // namespace tw::app
