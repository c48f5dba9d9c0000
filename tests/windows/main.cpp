// The window tests run in the program's own application object, offscreen.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

#include "sorrel_application.h"

using namespace sorrel;

namespace {

// The offscreen platform tells of every window request it cannot carry out;
// those notes are dropped, everything else is shown.
QtMessageHandler defaultHandler = nullptr;

void QuietHandler(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (message.startsWith(QLatin1String("This plugin does not support"))) {
        return;
    }
    defaultHandler(type, context, message);
}

}  // namespace

int main(int argc, char** argv) {
    defaultHandler = qInstallMessageHandler(QuietHandler);
    // What the program keeps for the user (its recent files, notes it cannot
    // put beside an image) goes to folders of this run, not the user's.
    QTemporaryDir user;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(user.filePath(QStringLiteral("config"))));
    qputenv("XDG_DATA_HOME", QFile::encodeName(user.filePath(QStringLiteral("data"))));
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
    }
    SorrelApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
