// Start-up step marks. The measuring build of the installer
// (INSTALLER_STEP_TIMES, tests/wine) records when each start-up step ends;
// in every other build, the shipped one included, a mark is nothing.
#pragma once

#ifdef INSTALLER_STEP_TIMES
// `step` names the step that has just ended; the mark "enabled" ends the
// start-up.
void StartupStepDone(const char* step);
#else
inline void StartupStepDone(const char* /*step*/) {}
#endif
