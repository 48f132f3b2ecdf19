#pragma once
// app/ProgramHooks.h — fills the start-up hooks that need the screens, and
// installs the screen layer's services (fonts, language texts, dim timer).

void InstallProgramHooks();
