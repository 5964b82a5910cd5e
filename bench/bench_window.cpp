// One whole polling cycle's work in the real main window, offscreen: five
// ticks through the session (requests, replies from the simulated network,
// checks, conversion, tree texts, statistics, LEDs, trace refresh) and the
// repaint the cycle causes, with four modules present. The simulated radio
// runs on a manual clock, so the figure is the program's own work.
#include "SimWindow.h"
#include "modules/WarningFormUnit.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QLoggingCategory>
#include <QTemporaryDir>

using namespace orvane;

namespace {
Scenario fourModules()
{
    Scenario s = builtInScenario();
    s.modules.clear();
    const char *serials[] = { "0x1004A2", "0x2000B7", "0x1004A3", "0x2000B8" };
    for (int band = 0; band < 4; ++band) {
        ScenarioModule m;
        m.band = band;
        m.type = band % 2 ? 2 : 1;
        m.serial = serials[band];
        m.raw = band % 2 ? std::array<int, 5> { 819, 43, 512, 256, 100 }
                         : std::array<int, 5> { 512, 256, 1023, 0, 100 };
        m.wave = SimWave::Sine;
        s.modules.push_back(m);
    }
    return s;
}

struct Window : SimWindow
{
    QTemporaryDir dir;
    TWarningForm warning;

    explicit Window(int panel)
        : SimWindow(fourModules())
    {
        QDir::setCurrent(dir.path());
        form->setWarningForm(&warning);
        form->show();
        tick(); // start-up scan
        form->SetPanelsVisible(panel);
        cycle();
    }
    void cycle()
    {
        for (int i = 0; i < 5; ++i) {
            tick();
            QCoreApplication::processEvents(); // the repaint of this tick's changes
        }
    }
};

void BM_WindowCycle(benchmark::State &state)
{
    Window window(int(state.range(0)));
    for (auto _ : state)
        window.cycle();
    state.SetLabel(state.range(0) == 1 ? "statistics panel" : "event log panel");
}
BENCHMARK(BM_WindowCycle)->Arg(1)->Arg(4)->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime();
} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QLoggingCategory::setFilterRules(QStringLiteral("orvane.*=false"));
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
