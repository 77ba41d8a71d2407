#include "platform/qt_settings_store.h"

#include <QEvent>
#include <QFile>
#include <QSaveFile>
#include <QSettings>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
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

// QSettings writes its file by itself soon after a change, from the event loop, and
// does not notice a write the disk cut short. This one writes only when told to.
class ExplicitSettings : public QSettings {
  public:
    using QSettings::QSettings;

  protected:
    bool event(QEvent* e) override {
        if (e->type() == QEvent::UpdateRequest) return true;
        return QSettings::event(e);
    }
};

// Whether the file holds every key of `held` with its value. QSettings objects of one
// file share what they read, so the file is read back under another name (a link in
// a scratch folder). When no link can be made, the write is taken as it went.
bool fileHolds(const QSettings& held) {
    const QTemporaryDir scratch;
    const QString alias = scratch.filePath(QStringLiteral("check.ini"));
    if (!scratch.isValid() || !QFile::link(held.fileName(), alias)) return true;
    const QSettings file(alias, QSettings::IniFormat);
    if (file.status() != QSettings::NoError) return false;
    const QStringList keys = held.allKeys();
    for (const QString& key : keys) {
        if (!file.contains(key) || file.value(key) != held.value(key)) return false;
    }
    return true;
}

}  // namespace

QtSettingsStore::QtSettingsStore()
    : settings_(std::make_unique<ExplicitSettings>(QSettings::IniFormat, QSettings::UserScope,
                                                   QStringLiteral("Tarvo"),
                                                   QStringLiteral("Tarvo"))) {}

QtSettingsStore::QtSettingsStore(const std::string& iniFilePath)
    : settings_(std::make_unique<ExplicitSettings>(qstr(iniFilePath), QSettings::IniFormat)) {}

QtSettingsStore::~QtSettingsStore() {
    sync();
}

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
    const QString path = settings_->fileName();
    QFile old(path);
    const bool existed = old.open(QIODevice::ReadOnly);
    const QByteArray before = existed ? old.readAll() : QByteArray();
    old.close();
    settings_->sync();
    if (settings_->status() == QSettings::NoError && fileHolds(*settings_)) return true;
    if (existed) {
        QSaveFile back(path);
        if (back.open(QIODevice::WriteOnly) && back.write(before) == before.size()) back.commit();
    } else {
        QFile::remove(path);
    }
    return false;
}

std::string QtSettingsStore::fileName() const {
    return settings_->fileName().toStdString();
}

}  // namespace tarvo
