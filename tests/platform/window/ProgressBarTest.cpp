// The transfer window's progress bar: a position stays inside the range, and
// a new one is painted with the window's next repaint, never at once (the
// transfer code sets it between two exchanges).
#include "platform/window/ProgressBar.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QWidget>

#include <functional>

namespace {

struct PaintCounter : QObject {
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

// Handles events until cond holds or two seconds passed.
template <class Cond> bool ProcessUntil(Cond cond) {
    QElapsedTimer timer;
    timer.start();
    while (!cond() && timer.elapsed() < 2000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return cond();
}

} // namespace

TEST(ProgressBarTest, PositionsStayInsideTheRange) {
    TProgressBar bar;
    bar.setRange(0, 571);
    struct Step {
        const char* what;
        std::function<void(TProgressBar&)> act;
        int position;
    };
    const Step steps[] = {
        {"set inside", [](TProgressBar& b) { b.SetPosition(50); }, 50},
        {"set past the maximum", [](TProgressBar& b) { b.SetPosition(600); }, 571},
        {"set below", [](TProgressBar& b) { b.SetPosition(-5); }, 0},
        {"step inside", [](TProgressBar& b) { b.StepBy(25); }, 25},
        {"step past", [](TProgressBar& b) { b.StepBy(1000); }, 571},
        {"the base's setter below", [](TProgressBar& b) { b.setValue(-9); }, 0},
    };
    for (const Step& s : steps) {
        s.act(bar);
        EXPECT_EQ(bar.Position(), s.position) << s.what;
    }
}

TEST(ProgressBarTest, ANewPositionIsPaintedWithTheNextRepaintOnly) {
    QWidget window;
    window.resize(420, 80);
    auto* bar = new TProgressBar(&window);
    bar->setGeometry(16, 32, 388, 20);
    bar->setRange(0, 571);
    PaintCounter counter;
    bar->installEventFilter(&counter);
    window.show();
    ASSERT_TRUE(ProcessUntil([&] { return counter.paints > 0; })) << "the bar is never painted";
    ProcessUntil([] { return false; }); // whatever else the showing brings

    counter.paints = 0;
    bar->SetPosition(10);
    bar->StepBy(5);
    bar->setValue(200);
    EXPECT_EQ(counter.paints, 0) << "painted at once, between two exchanges";
    EXPECT_EQ(bar->Position(), 200);
    EXPECT_TRUE(ProcessUntil([&] { return counter.paints > 0; }));
    EXPECT_EQ(counter.paints, 1) << "three changes, one repaint";

    // Updates held back by the window stay held back.
    bar->setUpdatesEnabled(false);
    bar->SetPosition(300);
    EXPECT_FALSE(bar->updatesEnabled());
    EXPECT_EQ(bar->Position(), 300);
}
