// Dropping a local file on a window, as a file manager does.
#pragma once

#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QTest>
#include <QUrl>
#include <QWidget>

#include <gtest/gtest.h>

#include "main.h"

namespace hostile {

// Drags path onto window and drops it there; the load follows once the drop
// is over, so the events queued by the drop are run and its read waited for.
inline void Drop(sorrel::TForm1* window, const QString& path) {
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(path)});
    const QPoint at = window->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window, &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent dropped(QPointF(at), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window, &dropped);
    QCoreApplication::processEvents();
    EXPECT_TRUE(QTest::qWaitFor([window] { return !window->loading(); }, 60000));
}

}  // namespace hostile
