#include "platform/qt_settings_store.h"

#include <QSettings>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace tarvo {

namespace {

QString qstr(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

// The existing group matching `section`: the exact spelling when present, else the
// first group equal to it ignoring ASCII case, else the section as spelled.
QString groupFor(const QSettings& settings, std::string_view section) {
    const QString wanted = qstr(section);
    const QStringList groups = settings.childGroups();
    if (groups.contains(wanted, Qt::CaseSensitive)) return wanted;
    for (const QString& g : groups) {
        if (g.compare(wanted, Qt::CaseInsensitive) == 0) return g;
    }
    return wanted;
}

}  // namespace

QtSettingsStore::QtSettingsStore()
    : settings_(std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                            QStringLiteral("Tarvo"), QStringLiteral("Tarvo"))) {}

QtSettingsStore::QtSettingsStore(const std::string& iniFilePath)
    : settings_(std::make_unique<QSettings>(qstr(iniFilePath), QSettings::IniFormat)) {}

QtSettingsStore::~QtSettingsStore() = default;

std::optional<std::string> QtSettingsStore::read(std::string_view section,
                                                 std::string_view key) const {
    const QString path = groupFor(*settings_, section) + u'/' + qstr(key);
    if (!settings_->contains(path)) return std::nullopt;
    const QVariant value = settings_->value(path);
    // An unquoted text with commas, edited by hand, comes back as a list.
    if (value.typeId() == QMetaType::QStringList) {
        return value.toStringList().join(u',').toStdString();
    }
    return value.toString().toStdString();
}

void QtSettingsStore::write(std::string_view section, std::string_view key,
                            std::string_view value) {
    settings_->setValue(groupFor(*settings_, section) + u'/' + qstr(key), qstr(value));
}

bool QtSettingsStore::sync() {
    settings_->sync();
    return settings_->status() == QSettings::NoError;
}

std::string QtSettingsStore::fileName() const {
    return settings_->fileName().toStdString();
}

}  // namespace tarvo
