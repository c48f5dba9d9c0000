// The program reads image files and never writes one: a read-only image keeps
// its bytes, its modification and change times (to the nanosecond) and its
// mode through every kind of load in the windows and every mode of
// sorrel-dis, nothing new appears beside it, and every descriptor opened on
// it is opened for reading only.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFileInfo>
#include <algorithm>
#include <functional>

#include "hostile_support.h"
#include "image_file.h"
#include "window_drop.h"
#include "window_test_support.h"

namespace wintest {
namespace {

using hostile::FileStamp;

// 1025 bytes, odd so that the load's warning is shown with the file open.
QByteArray OddImage() {
    QByteArray bytes(1025, '\0');
    for (int i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<char>(i * 37 + 11);
    }
    return bytes;
}

using ReadOnlyTest = WindowsTest;

TEST_F(ReadOnlyTest, NoKindOfLoadChangesTheImage) {
    const QString path = writeImage(QStringLiteral("read-only.bin"), OddImage());
    const std::string file = Std(path);
    // A modification time with nanoseconds, long past, and no write permission
    // for anyone (root may write regardless: the stamp is what tells).
    const timespec times[2] = {{1000000000, 123456789}, {1000000000, 987654321}};
    ASSERT_EQ(utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
    ASSERT_EQ(chmod(file.c_str(), 0444), 0);
    const FileStamp before = hostile::StampOf(file);
    ASSERT_EQ(before.mtimeNsec, 987654321);
    const std::vector<std::string> namesBefore = hostile::FolderNames(Std(dir_.path()));

    const auto dis = [&](std::vector<std::string> args, std::size_t lines) {
        args.push_back(file);
        const hostile::DisResult r = hostile::RunDis(args);
        EXPECT_FALSE(r.timedOut);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(static_cast<std::size_t>(std::count(r.out.begin(), r.out.end(), '\n')), lines);
    };
    struct Step {
        const char* name;
        std::function<void()> run;
    };
    const Step steps[] = {
        {"load through the dialog",
         [&] {
             load(path);
             EXPECT_EQ(ShownRows(listing()), 513u);
         }},
        {"reload", [&] { reload(); }},
        {"check box on", [&] { toggleRaw(); }},
        {"check box off", [&] { toggleRaw(); }},
        {"byte-order window shown",
         [&] {
             showByteOrder();
             EXPECT_EQ(ShownRows(bytes()), 1026u);
             form2()->hide();
         }},
        {"drop on the main window",
         [&] {
             load(writeImage(QStringLiteral("other.bin"), Words({1})));
             hostile::Drop(form1(), path);
             EXPECT_EQ(ShownRows(listing()), 513u);
         }},
        {"sorrel-dis", [&] { dis({}, 512); }},
        {"sorrel-dis --raw", [&] { dis({"--raw"}, 512); }},
        {"sorrel-dis --bytes", [&] { dis({"--bytes"}, 1025); }},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        step.run();
        const FileStamp after = hostile::StampOf(file);
        EXPECT_TRUE(after == before)
            << "before: " << hostile::Describe(before) << "\nafter:  " << hostile::Describe(after);
        std::vector<std::string> names = hostile::FolderNames(Std(dir_.path()));
        names.erase(std::remove(names.begin(), names.end(), "other.bin"), names.end());
        EXPECT_EQ(names, namesBefore);
    }
    EXPECT_EQ(errors(), 0);
    EXPECT_EQ(warnings(), 2);  // the load and the drop
}

// The flags of a descriptor opened on an image: read access only, and none of
// the flags that create, truncate or append (the kernel drops O_CREAT and
// O_TRUNC after the open, but a descriptor opened with them for writing would
// show its access mode).
void ExpectReadOnly(const std::vector<unsigned>& flags) {
    ASSERT_EQ(flags.size(), 1u) << "one descriptor open on the image";
    EXPECT_EQ(flags[0] & O_ACCMODE, static_cast<unsigned>(O_RDONLY)) << std::oct << flags[0];
    EXPECT_EQ(flags[0] & (O_CREAT | O_TRUNC | O_APPEND), 0u) << std::oct << flags[0];
}

TEST_F(ReadOnlyTest, EveryDescriptorOnTheImageIsOpenedForReadingOnly) {
    // 16 MiB + 1: long enough that sorrel-dis is still reading it while its
    // output waits for a reader, odd so that the load's warning shows while
    // the main window holds it open.
    const QString path = imagePath(QStringLiteral("open-flags.bin"));
    ASSERT_TRUE(hostile::MakeSparseFile(Std(path), (std::uint64_t{16} << 20) + 1));
    const std::string real = Std(QFileInfo(path).canonicalFilePath());

    struct Opener {
        const char* name;
        std::function<std::vector<unsigned>()> flagsWhileOpen;
    };
    const Opener openers[] = {
        {"image reader",
         [&] {
             sorrel::ImageFile image =
                 sorrel::ImageFile::open(Std(path), sorrel::ImageFile::Accept::RegularFile);
             return hostile::OpenFlagsOf(getpid(), real);
         }},
        {"main window's load",
         [&] {
             std::vector<unsigned> flags;
             user_.onMessageBox = [&](QMessageBox* box) {
                 if (box->windowTitle() == WarningTitle) {
                     flags = hostile::OpenFlagsOf(getpid(), real);
                 }
             };
             load(path);
             user_.onMessageBox = nullptr;
             EXPECT_EQ(warnings(), 1);
             return flags;
         }},
        {"sorrel-dis",
         [&] {
             hostile::DisProcess dis({"--raw", Std(path)});
             EXPECT_TRUE(dis.readOutput(1));
             return hostile::OpenFlagsOf(dis.pid(), real);
         }},
    };
    for (const Opener& opener : openers) {
        SCOPED_TRACE(opener.name);
        ExpectReadOnly(opener.flagsWhileOpen());
    }
    // Closed again by all of them.
    EXPECT_TRUE(hostile::OpenFlagsOf(getpid(), real).empty());
}

}  // namespace
}  // namespace wintest
