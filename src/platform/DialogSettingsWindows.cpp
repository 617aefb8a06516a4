// Qt's dialog settings on Windows: registry values under Software\QtProject, which every Qt
// program's file dialog shares. They are noted before the dialog and put back after it, and
// keys that were not there are removed again.
#include "DialogSettings.h"

#include <QSettings>
#include <QVariantMap>

namespace Dialogs {
namespace {

const QString kSoftware = QStringLiteral("HKEY_CURRENT_USER\\Software");
const QString kOrganization = QStringLiteral("QtProject");
const QString kDefaults = QStringLiteral("OrganizationDefaults");
const QString kGroup = QStringLiteral("FileDialog");

} // namespace

struct DialogSettingsScope::Saved
{
    bool organization = false; // Software\QtProject existed
    bool defaults = false; // ...\OrganizationDefaults existed
    QVariantMap values; // ...\FileDialog's values, by key
};

DialogSettingsScope::DialogSettingsScope()
    : m_saved(std::make_unique<Saved>())
{
    m_saved->organization = QSettings(kSoftware, QSettings::NativeFormat)
                                .childGroups()
                                .contains(kOrganization, Qt::CaseInsensitive);
    QSettings settings(QSettings::UserScope, kOrganization);
    m_saved->defaults = m_saved->organization
        && QSettings(kSoftware + QLatin1Char('\\') + kOrganization, QSettings::NativeFormat)
               .childGroups()
               .contains(kDefaults, Qt::CaseInsensitive);
    settings.beginGroup(kGroup);
    for (const QString &key : settings.allKeys())
        m_saved->values.insert(key, settings.value(key));
}

DialogSettingsScope::~DialogSettingsScope()
{
    if (!m_saved->organization) {
        QSettings(kSoftware, QSettings::NativeFormat).remove(kOrganization);
        return;
    }
    if (!m_saved->defaults) {
        QSettings(kSoftware + QLatin1Char('\\') + kOrganization, QSettings::NativeFormat)
            .remove(kDefaults);
        return;
    }
    QSettings settings(QSettings::UserScope, kOrganization);
    settings.remove(kGroup);
    settings.beginGroup(kGroup);
    for (auto value = m_saved->values.cbegin(); value != m_saved->values.cend(); ++value)
        settings.setValue(value.key(), value.value());
}

} // namespace Dialogs
