#include "app/eventpump.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QObject>

#include <gtest/gtest.h>

#include <thread>

namespace {

class EventCounter : public QObject
{
public:
    int delivered = 0;

protected:
    void customEvent(QEvent *) override { ++delivered; }
};

void post(EventCounter &receiver)
{
    QCoreApplication::postEvent(&receiver, new QEvent(QEvent::User));
}

} // namespace

TEST(PumpEvents, DeliversPendingEventsAtMostEveryFifteenMilliseconds)
{
    EventCounter receiver;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));

    post(receiver);
    QElapsedTimer sinceFirstPass;
    sinceFirstPass.start();
    tw::app::pumpEvents();
    EXPECT_EQ(receiver.delivered, 1);

    post(receiver);
    tw::app::pumpEvents();
    if (sinceFirstPass.elapsed() < 10) {
        EXPECT_EQ(receiver.delivered, 1) << "a second pass right after the first was not skipped";
    }

    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    tw::app::pumpEvents();
    EXPECT_EQ(receiver.delivered, 2);
}
