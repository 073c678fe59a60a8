// The demonstration: one step per tick of the demonstration timer while demoRunning is set.
#pragma once

namespace calyra::ui {

void DemoStep();

}  // namespace calyra::ui
