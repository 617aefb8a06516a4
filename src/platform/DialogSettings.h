// Keeps Qt's file dialog from leaving its settings behind: Dorrik keeps no state between runs.
#pragma once

#include <memory>

namespace Dialogs {

// While one lives, what Qt's file dialog saves of its history, last folder and view goes
// nowhere that outlasts it: on Linux to a scratch folder, on Windows (where Qt writes them to
// the registry, shared by every Qt program) into keys put back as they were when it ends.
class DialogSettingsScope
{
public:
    DialogSettingsScope();
    ~DialogSettingsScope();
    DialogSettingsScope(const DialogSettingsScope &) = delete;
    DialogSettingsScope &operator=(const DialogSettingsScope &) = delete;

private:
    struct Saved;
    std::unique_ptr<Saved> m_saved;
};

} // namespace Dialogs
