#pragma once

class TMain;

// Creates the windows of the features and hands the main window the commands that open
// them. This is the one place that includes feature windows: the main window itself only
// knows the commands and the hooks features call back through.
void ProvideFeatureWindows(TMain &main);
