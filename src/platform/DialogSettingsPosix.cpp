// Qt's dialog settings on Linux: a file under the user's configuration folder, sent to a scratch
// folder instead.
#include "DialogSettings.h"

#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>

namespace Dialogs {

struct DialogSettingsScope::Saved
{
    QTemporaryDir scratch;
};

DialogSettingsScope::DialogSettingsScope()
    : m_saved(std::make_unique<Saved>())
{
    // Failing a scratch folder, a place where nothing can be created.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       m_saved->scratch.isValid() ? m_saved->scratch.path()
                                                  : QProcess::nullDevice());
}

DialogSettingsScope::~DialogSettingsScope() = default;

} // namespace Dialogs
