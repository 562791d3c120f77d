// The program's own host for the subsystems below it (base/program_host.h).
#pragma once

// Installs it; start-up does this before any subsystem runs.
void InstallProgramHost();
// Installs the settings pages' host (app/settings_host.cpp); InstallProgramHost does it too.
void InstallSettingsHost();
