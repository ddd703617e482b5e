// The chart tests' settings: "mySystem.ini" lives in a temporary folder of
// each test program (SettingsSandbox.cpp).
#pragma once

// Starts a test from the defaults: no settings file, the shared chart
// parameters as before any settings were read, candle bars 4 pixels wide.
void ResetChartSettings();
