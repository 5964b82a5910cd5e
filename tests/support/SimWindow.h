#pragma once

#include "SimSession.h"
#include "ui/MainFormUnit.h"

namespace orvane {

// The main window over a SimRig session; shown by the test when it needs to.
struct SimWindow : SimRig
{
    std::unique_ptr<TMainForm> form;

    explicit SimWindow(const Scenario &scenario = builtInScenario())
    {
        form = std::make_unique<TMainForm>(makeDriver(scenario), options());
        bind(form->session());
    }
};

} // namespace orvane
