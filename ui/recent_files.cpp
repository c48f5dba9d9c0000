#include "recent_files.h"

#include <QSettings>

namespace sorrel {

namespace {

const QString Key = QStringLiteral("recentFiles");

QSettings Settings() {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("sorrel"),
                     QStringLiteral("sorrel"));
}

}  // namespace

QStringList RecentFiles::files() const {
    QStringList files = Settings().value(Key).toStringList();
    files.removeAll(QString());
    files.removeDuplicates();
    return files.mid(0, Length);
}

void RecentFiles::add(const QString& path) {
    QStringList list = files();
    list.removeAll(path);
    list.prepend(path);
    store(list.mid(0, Length));
}

void RecentFiles::remove(const QString& path) {
    QStringList list = files();
    if (list.removeAll(path) > 0) {
        store(list);
    }
}

void RecentFiles::store(const QStringList& files) {
    QSettings settings = Settings();
    settings.setValue(Key, files);
    settings.sync();
}

}  // namespace sorrel
