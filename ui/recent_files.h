// The files the user opened last ("Недавние файлы"): the last ten, the
// newest first, kept in the user's configuration folder through the
// toolkit's settings (written whole and atomically), so that they are there
// the next time the program starts. GUI thread only.
#pragma once

#include <QString>
#include <QStringList>

namespace sorrel {

class RecentFiles {
  public:
    static constexpr int Length = 10;

    // The files, the newest first.
    QStringList files() const;
    // path was opened: it comes first, once.
    void add(const QString& path);
    // path is gone: it leaves the list.
    void remove(const QString& path);

  private:
    void store(const QStringList& files);
};

}  // namespace sorrel
