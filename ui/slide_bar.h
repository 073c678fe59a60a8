// The Slide Bar ("ThrAdj"): the threshold as a percentage, with Preview,
// CANCEL and Close.
#pragma once

#include <QString>
#include <cstdint>

class QDialog;
class QWidget;

namespace calyra::ui {

class TemplateDialog;
struct DialogEvent;

// Slide Bar state.
extern std::int32_t thresholdPercent;  // scroll position 0..100, initial 10
extern std::int32_t thresholdEditing;  // 1 from the first command until Close or CANCEL
extern float thresholdSaved;           // threshold as it was when editing began

// "%4.1f %c" of the percentage: " 5.0 %", "10.0 %", "100.0 %".
QString ThresholdPercentText(std::int32_t percent);

// The percentage after a scroll request (a ScrollCode) with the thumb at
// thumb; codes that move nothing keep the percentage.
std::int32_t ScrolledThresholdPercent(std::int32_t percent, int code, int thumb);

bool SlideBarProc(TemplateDialog& dialog, const DialogEvent& event);

}  // namespace calyra::ui
