// Step marks. The measuring build of the installer (INSTALLER_STEP_TIMES,
// bench/) records when each start-up step ends and when an Install
// command begins and ends; in every other build, the shipped one included,
// a mark is nothing.
#pragma once

#ifdef INSTALLER_STEP_TIMES
// `step` names the start-up step that has just ended ("enabled" ends the
// start-up), or is "install-begin" or "install-end".
void StepMark(const char* step);
#else
inline void StepMark(const char* /*step*/) {}
#endif
