#include "app/eventpump.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QObject>

#include <gtest/gtest.h>

#include <thread>

namespace {

// Counts the passes of the event loop: it always has one event waiting.
class PassCounter : public QObject
{
public:
    PassCounter() { post(); }

    int passes = 0;

protected:
    void customEvent(QEvent *) override
    {
        ++passes;
        post();
    }

private:
    void post() { QCoreApplication::postEvent(this, new QEvent(QEvent::User)); }
};

} // namespace

TEST(PumpEvents, ProcessesPendingEventsOnceTheIntervalHasPassedAndNoMoreOften)
{
    PassCounter counter;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    tw::app::pumpEvents();
    EXPECT_EQ(counter.passes, 1) << "the interval had passed: the events were processed";

    // A copy calls the pump once per value: most calls must cost a clock read, not a pass.
    QElapsedTimer elapsed;
    elapsed.start();
    for (int call = 0; call < 200'000; ++call) {
        tw::app::pumpEvents();
    }
    const qint64 milliseconds = elapsed.elapsed();
    EXPECT_LE(counter.passes - 1, milliseconds / 15 + 1)
        << "at most one pass per 15 ms, however slow the machine";

    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const int before = counter.passes;
    tw::app::pumpEvents();
    EXPECT_EQ(counter.passes, before + 1);
}
