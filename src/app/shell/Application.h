#pragma once

class QCoreApplication;

namespace Application {
// Sets the organisation and application names under which the settings are
// stored. Called once, before anything reads a setting.
void setIdentity(QCoreApplication& app);
} // namespace Application
