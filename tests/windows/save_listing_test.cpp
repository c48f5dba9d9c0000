// Ctrl+S in either window: the save dialog, then the window's listing (or the
// selected rows) written as exactly the text of the real sorrel-dis; the image
// itself and files that are no regular file refused; failures told with the
// system's reason; a cancel or a failure leaving no file behind; the listing
// as it was, and the grid with the keys afterwards.
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStatusBar>
#include <QTest>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <functional>
#include <optional>

#include "listing_export.h"
#include "window_test_support.h"

namespace wintest {
namespace {

const QString SaveTitle = QStringLiteral("Сохранить листинг");
const QString SaveMessage = QStringLiteral("SaveMessage");

// The real sorrel-dis's listing of path.
QByteArray DisListing(QStringList args, const QString& path) {
    QProcess dis;
    args << path;
    dis.start(QStringLiteral(SORREL_DIS), args);
    EXPECT_TRUE(dis.waitForFinished(60000));
    EXPECT_EQ(dis.exitStatus(), QProcess::NormalExit);
    return dis.readAllStandardOutput();
}

// Lines first to last (counted from 0) of text, each with its line feed.
QByteArray Lines(const QByteArray& text, qsizetype first, qsizetype last) {
    QByteArray out;
    qsizetype line = 0;
    for (qsizetype start = 0; start < text.size() && line <= last; ++line) {
        const qsizetype feed = text.indexOf('\n', start);
        const qsizetype end = feed < 0 ? text.size() : feed + 1;
        if (line >= first) {
            out += text.mid(start, end - start);
        }
        start = end;
    }
    return out;
}

QByteArray Contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(cannot be read)");
}

QStringList Names(const QString& folder) {
    return QDir(folder).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

QString Reason(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

class SaveListingTest : public WindowsTest {
  protected:
    void SetUp() override {
        WindowsTest::SetUp();
        out_ = imagePath(QStringLiteral("out"));
        ASSERT_TRUE(QDir().mkdir(out_));
        // 700 words of many kinds and an odd last byte: a header, a program
        // of 444 words, and a byte that only the byte-order listing shows.
        QByteArray bytes;
        std::uint32_t x = 12345;
        for (int i = 0; i < 1401; ++i) {
            x = x * 1103515245u + 12345u;
            bytes.append(static_cast<char>(x >> 16));
        }
        image_ = writeImage(QStringLiteral("mixed.bin"), bytes);
        load(image_);
    }

    sorrel::ListingExport* exporter(QWidget* window) {
        return window->findChild<sorrel::ListingExport*>();
    }
    void activate(QWidget* window) {
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitFor([window] { return QApplication::activeWindow() == window; }));
    }
    // The user presses Ctrl+S in window and chooses path in the save dialog;
    // returns once the save has ended.
    void saveAs(QWidget* window, const QString& path) {
        user_.willChoose(path);
        activate(window);
        QTest::keyClick(window, Qt::Key_S, Qt::ControlModifier);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !exporter(window)->saving(); }, 120000));
    }
    bool gridHasTheKeys(QWidget* window, StringGrid* grid) {
        return QTest::qWaitFor([=] {
            return QApplication::activeWindow() == window && QApplication::focusWidget() == grid;
        });
    }
    void select(StringGrid* grid, std::uint64_t top, std::uint64_t bottom) {
        grid->setCurrentCell(top, 1);
        grid->setCurrentCell(bottom, 1, true);
    }
    // The message of the last save that did not write, as seen.
    const SeenBox* lastSaveMessage() const {
        return user_.boxes.empty() || user_.boxes.back().objectName != SaveMessage
                   ? nullptr
                   : &user_.boxes.back();
    }
    // The messages of saves that did not write.
    int saveMessages() const {
        int count = 0;
        for (const SeenBox& box : user_.boxes) {
            count += box.objectName == SaveMessage ? 1 : 0;
        }
        return count;
    }

    QString image_;
    QString out_;
};

struct WholeCase {
    const char* name;
    bool byteOrder;
    bool raw;
    QStringList disArgs;
    const char* defaultName;
};

TEST_F(SaveListingTest, TheWholeListingIsTheTextOfSorrelDis) {
    const WholeCase cases[] = {
        {"main listing with a header", false, false, {}, "mixed.txt"},
        {"main listing of a raw image", false, true, {QStringLiteral("--raw")}, "mixed.txt"},
        {"byte-order listing", true, false, {QStringLiteral("--bytes")}, "mixed.bytes.txt"},
    };
    const mode_t mask = ::umask(0);
    ::umask(mask);
    for (const WholeCase& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.raw != form1()->CheckBox1->isChecked()) {
            toggleRaw();
        }
        if (c.byteOrder) {
            showByteOrder();
        }
        QWidget* window = c.byteOrder ? static_cast<QWidget*>(form2()) : form1();
        StringGrid* grid = c.byteOrder ? bytes() : listing();
        // One row of three cells selected: the whole listing is saved.
        select(grid, 5, 5);
        grid->setCurrentCell(5, 2, true);
        const std::shared_ptr<const CellSource> source = grid->sharedSource();
        const GridRange selection = grid->selection();

        QString title;
        QFileDialog::AcceptMode mode = QFileDialog::AcceptOpen;
        bool native = true;
        QString proposed;
        user_.onFileDialog = [&](QFileDialog* dialog) {
            title = dialog->windowTitle();
            mode = dialog->acceptMode();
            native = !dialog->testOption(QFileDialog::DontUseNativeDialog);
            proposed = dialog->selectedFiles().value(0);
        };
        // The byte-order listing replaces a file that was there.
        const QString target = QDir(out_).filePath(QString::fromUtf8(c.name) + ".txt");
        if (c.byteOrder) {
            writeImage(QStringLiteral("out/") + QString::fromUtf8(c.name) + ".txt", "old text");
        }
        saveAs(window, target);
        user_.onFileDialog = nullptr;

        EXPECT_EQ(title, SaveTitle);
        EXPECT_EQ(mode, QFileDialog::AcceptSave);
        EXPECT_FALSE(native);
        // In the image's folder at first, then where the window's last save went.
        const bool first = &c == &cases[0] || c.byteOrder;
        EXPECT_EQ(QFileInfo(proposed).fileName(), QString::fromUtf8(c.defaultName));
        EXPECT_EQ(QFileInfo(proposed).absolutePath(),
                  first ? QFileInfo(image_).absolutePath() : out_);
        EXPECT_EQ(Contents(target), DisListing(c.disArgs, image_));
        struct stat st {};
        ASSERT_EQ(::stat(QFile::encodeName(target).constData(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0666 & ~mask);
        EXPECT_TRUE(window->findChild<QStatusBar*>()->currentMessage().startsWith(
            QStringLiteral("Листинг сохранён")));
        // The listing stays as it was, and the grid has the keys.
        EXPECT_EQ(grid->sharedSource(), source);
        EXPECT_EQ(grid->selection(), selection);
        EXPECT_TRUE(gridHasTheKeys(window, grid));
        if (c.byteOrder) {
            form2()->hide();
        }
    }
    EXPECT_EQ(Names(out_), QStringList({"byte-order listing.txt", "main listing of a raw image.txt",
                                        "main listing with a header.txt"}));
    EXPECT_EQ(errors(), 0);
    EXPECT_EQ(saveMessages(), 0);
    // The dialog's own question before the byte-order listing replaced a file.
    EXPECT_EQ(user_.boxesTitled(SaveTitle), 1);
}

struct SelectionCase {
    const char* name;
    bool byteOrder;
    bool raw;
    std::uint64_t top;
    std::uint64_t bottom;
    QStringList disArgs;
};

TEST_F(SaveListingTest, SelectedRowsAreTheirLinesOfSorrelDis) {
    const SelectionCase cases[] = {
        {"in the header", false, false, 10, 20, {}},
        {"across the end of the header", false, false, 250, 300, {}},
        {"in the program, to the last word", false, false, 400, 699, {}},
        {"two rows of a raw image", false, true, 0, 1, {QStringLiteral("--raw")}},
        {"bytes from an odd offset", true, false, 3, 8, {QStringLiteral("--bytes")}},
        {"bytes to the odd last byte", true, false, 1390, 1400, {QStringLiteral("--bytes")}},
    };
    int n = 0;
    for (const SelectionCase& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.raw != form1()->CheckBox1->isChecked()) {
            toggleRaw();
        }
        if (c.byteOrder && !form2()->isVisible()) {
            showByteOrder();
        }
        QWidget* window = c.byteOrder ? static_cast<QWidget*>(form2()) : form1();
        StringGrid* grid = c.byteOrder ? bytes() : listing();
        select(grid, c.bottom, c.top);  // upwards: the same rows
        const QString target = QDir(out_).filePath(QStringLiteral("rows%1.txt").arg(++n));
        saveAs(window, target);
        EXPECT_EQ(Contents(target),
                  Lines(DisListing(c.disArgs, image_), qsizetype(c.top), qsizetype(c.bottom)));
    }
    EXPECT_EQ(saveMessages(), 0);
}

TEST_F(SaveListingTest, TheImageIsNeverWrittenOverAndOnlyRegularFilesAreWritten) {
    const QString link = imagePath(QStringLiteral("link.bin"));
    const QString hard = imagePath(QStringLiteral("hard.bin"));
    ASSERT_TRUE(QFile::link(image_, link));
    ASSERT_EQ(::link(QFile::encodeName(image_).constData(), QFile::encodeName(hard).constData()),
              0);
    const QByteArray imageBytes = Contents(image_);
    struct stat before {};
    ASSERT_EQ(::stat(QFile::encodeName(image_).constData(), &before), 0);
    const QStringList namesBefore = Names(dir_.path());

    struct Case {
        const char* name;
        bool byteOrder;
        QString target;
        const char* says;
    };
    const Case cases[] = {
        {"the image", false, image_, "открытый образ"},
        {"a symbolic link to it", false, link, "открытый образ"},
        {"another name of it", false, hard, "открытый образ"},
        {"the image, from the byte-order window", true, image_, "открытый образ"},
        {"a device", false, QStringLiteral("/dev/full"), "не обычный файл"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.byteOrder && !form2()->isVisible()) {
            showByteOrder();
        }
        QWidget* window = c.byteOrder ? static_cast<QWidget*>(form2()) : form1();
        StringGrid* grid = c.byteOrder ? bytes() : listing();
        const std::size_t boxesBefore = user_.boxes.size();
        // The refusal comes in the dialog, before any question, and the
        // dialog stays open for another name: the user cancels it.
        user_.willChoose(c.target);
        user_.willCancel();
        activate(window);
        QTest::keyClick(window, Qt::Key_S, Qt::ControlModifier);
        ASSERT_TRUE(user_.answeredAll());
        EXPECT_FALSE(exporter(window)->saving());
        ASSERT_EQ(user_.boxes.size(), boxesBefore + 1);
        const SeenBox* refusal = lastSaveMessage();
        ASSERT_NE(refusal, nullptr);
        EXPECT_TRUE(refusal->overFileDialog);
        EXPECT_TRUE(refusal->text.contains(QString::fromUtf8(c.says)))
            << refusal->text.toStdString();
        EXPECT_TRUE(refusal->text.contains(c.target)) << refusal->text.toStdString();
        EXPECT_TRUE(gridHasTheKeys(window, grid));
    }
    struct stat after {};
    ASSERT_EQ(::stat(QFile::encodeName(image_).constData(), &after), 0);
    EXPECT_EQ(Contents(image_), imageBytes);
    EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
    EXPECT_EQ(after.st_ctim.tv_sec, before.st_ctim.tv_sec);
    EXPECT_EQ(after.st_ctim.tv_nsec, before.st_ctim.tv_nsec);
    EXPECT_EQ(Names(dir_.path()), namesBefore);
}

// Limits the size of any file this process writes, as a full disk would stop
// it; the signal for a write past the limit is ignored, so the write fails.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &saved_);
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
        previous_ = std::signal(SIGXFSZ, SIG_IGN);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previous_);
    }

  private:
    rlimit saved_{};
    void (*previous_)(int) = SIG_DFL;
};

struct FailureCase {
    const char* name;
    // Makes the failure happen; false when it cannot be made here.
    std::function<bool(const QString& folder)> arrange;
    int error;
};

TEST_F(SaveListingTest, FailuresSayWhyAndLeaveNoFileBehind) {
    // A file of 64 KiB is as far as a write may go in the last case; the
    // listing is larger.
    load(writeImage(QStringLiteral("larger.bin"), CountingWords(20000)));
    const FailureCase cases[] = {
        // Removed while the dialog was open.
        {"a folder that was removed",
         [this](const QString& folder) {
             user_.onFileDialog = [folder](QFileDialog*) { QDir(folder).removeRecursively(); };
             return true;
         },
         ENOENT},
        // Root may write anywhere: then this case cannot be made.
        {"a folder without write permission",
         [](const QString& folder) {
             QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
             return ::access(QFile::encodeName(folder).constData(), W_OK) != 0;
         },
         EACCES},
        {"a write that fails halfway", [](const QString&) { return true; }, EFBIG},
    };
    int n = 0;
    for (const FailureCase& c : cases) {
        SCOPED_TRACE(c.name);
        const QString folder = QDir(out_).filePath(QStringLiteral("case%1").arg(++n));
        ASSERT_TRUE(QDir().mkpath(folder));
        if (!c.arrange(folder)) {
            QFile::setPermissions(
                folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
            std::printf("[   SKIP   ] %s: this process writes anywhere (root)\n", c.name);
            continue;
        }
        const QString target = QDir(folder).filePath(QStringLiteral("listing.txt"));
        const std::shared_ptr<const CellSource> source = listing()->sharedSource();
        {
            std::optional<FileSizeLimit> limit;
            if (c.error == EFBIG) {
                limit.emplace(64 << 10);
            }
            saveAs(form1(), target);
        }
        user_.onFileDialog = nullptr;
        const SeenBox* message = lastSaveMessage();
        ASSERT_NE(message, nullptr);
        EXPECT_TRUE(message->text.contains(target)) << message->text.toStdString();
        EXPECT_TRUE(message->text.contains(Reason(c.error))) << message->text.toStdString();
        EXPECT_EQ(message->icon, QMessageBox::Warning);
        EXPECT_TRUE(gridHasTheKeys(form1(), listing()));
        EXPECT_EQ(listing()->sharedSource(), source);
        QFile::setPermissions(
            folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        EXPECT_EQ(Names(folder), QStringList()) << "nothing is left behind";
    }
}

TEST_F(SaveListingTest, EscCancelsASaveAndLeavesTheTargetAsItWas) {
    // About 20 MB of text: Esc comes while it is written.
    load(writeImage(QStringLiteral("larger.bin"), CountingWords(512 << 10)));
    const std::shared_ptr<const CellSource> source = listing()->sharedSource();
    const QString existing = QDir(out_).filePath(QStringLiteral("existing.txt"));
    writeImage(QStringLiteral("out/existing.txt"), "old text");
    const QString fresh = QDir(out_).filePath(QStringLiteral("fresh.txt"));

    for (const QString& target : {existing, fresh}) {
        SCOPED_TRACE(target.toStdString());
        activate(form1());
        // The save as it goes on after the dialog.
        exporter(form1())->save(target);
        ASSERT_TRUE(exporter(form1())->saving());
        QTest::keyClick(listing(), Qt::Key_Escape);
        EXPECT_FALSE(exporter(form1())->saving());
        EXPECT_EQ(form1()->StatusBar1->currentMessage(),
                  QStringLiteral("Сохранение листинга отменено."));
        EXPECT_EQ(Names(out_), QStringList{"existing.txt"});
        EXPECT_EQ(Contents(existing), "old text");
    }
    EXPECT_EQ(listing()->sharedSource(), source);

    // The next save writes in full, and nothing of the cancelled ones appears.
    saveAs(form1(), fresh);
    EXPECT_EQ(Contents(fresh), DisListing({}, imagePath(QStringLiteral("larger.bin"))));
    EXPECT_EQ(Names(out_), QStringList({"existing.txt", "fresh.txt"}));
    EXPECT_EQ(Contents(existing), "old text");
}

TEST_F(SaveListingTest, WithoutAListingThereIsNothingToSave) {
    windows_ = std::make_unique<SorrelWindows>(CreateWindows());
    form1()->show();
    activate(form1());
    const int dialogs = user_.dialogsSeen;
    QTest::keyClick(form1(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(user_.dialogsSeen, dialogs);
    EXPECT_EQ(form1()->StatusBar1->currentMessage(),
              QStringLiteral("Нет листинга для сохранения."));
}

}  // namespace
}  // namespace wintest
