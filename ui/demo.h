// The demonstration: one step per tick of timer 910 while demoRunning is set.
#pragma once

namespace calyra::ui {

void DemoStep();

}  // namespace calyra::ui
