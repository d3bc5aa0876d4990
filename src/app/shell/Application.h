#pragma once

class QCoreApplication;

namespace Application {
// What the process needs before its application object is made: the map's
// browser engine shares its drawing contexts with the window's, and runs
// without its sandbox as root (it refuses to start it there).
void prepareProcess();
// Right after the application object is made: numbers in every C-level
// parser (libmpv among them) use the C locale, and the settings get their
// names (setIdentity).
void setUp(QCoreApplication& app);
// Sets the organisation and application names under which the settings are
// stored. Called once, before anything reads a setting.
void setIdentity(QCoreApplication& app);
} // namespace Application
