#include "app/eventpump.h"

#include <QCoreApplication>
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

TEST(PumpEvents, ProcessesPendingEventsOnceTheIntervalHasPassedAndNotBefore)
{
    PassCounter counter;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    tw::app::pumpEvents();
    EXPECT_EQ(counter.passes, 1) << "the interval had passed: the events were processed";
    // Right after a pass, the next call costs a clock read and processes nothing.
    tw::app::pumpEvents();
    EXPECT_EQ(counter.passes, 1);

    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    tw::app::pumpEvents();
    EXPECT_EQ(counter.passes, 2);
}
