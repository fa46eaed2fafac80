#pragma once
// The few window settings the analysis and the drawing read, copied from the widgets when a
// recompute (or a click, or a temperature change) starts. A pass never returns to the event loop,
// so a snapshot reads the same as the widgets would.

namespace pirolex {

struct Controls {
    int Accuracy = 0;        // GenauRadioGroup: 0 = "norm", 1 = "fein"
    bool IQPhase = false;    // PCheckbox
    bool ConstPPL = true;    // CFARCheckBox
    int LimPosition = 20;    // LimTrackBar, 0..30
    int CFARPosition = 20;   // CFARTrackBar, 5..50
    int Temperature = 15;    // SpinEdit1, -20..40 degrees Celsius
};

}  // namespace pirolex
