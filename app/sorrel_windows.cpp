#include "sorrel_windows.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QIcon>
#include <QMetaObject>
#include <QSignalBlocker>

#include "image_file.h"
#include "image_messages.h"
#include "window_link.h"

namespace sorrel {

TForm1* Form1 = nullptr;
TOptionWin* OptionWin = nullptr;
TForm2* Form2 = nullptr;

SorrelWindows::~SorrelWindows() {
    if (form2.get() == Form2) {
        Form2 = nullptr;
    }
    form2.reset();
    if (optionWin.get() == OptionWin) {
        OptionWin = nullptr;
    }
    optionWin.reset();
    if (form1.get() == Form1) {
        Form1 = nullptr;
    }
    form1.reset();
}

SorrelWindows CreateWindows() {
    SorrelWindows windows;
    windows.form1 = std::make_unique<TForm1>();
    // The program's icon, for every window (the first window registers the
    // resources that hold it).
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/sorrel.png")));
    Form1 = windows.form1.get();
    windows.optionWin = std::make_unique<TOptionWin>();
    OptionWin = windows.optionWin.get();
    TForm1* const main = windows.form1.get();
    windows.form2 = std::make_unique<TForm2>([main] { return main->openDialogFileName(); });
    Form2 = windows.form2.get();
    main->setByteOrderWindow(windows.form2.get());
    new WindowLink(main, windows.form2.get());
    return windows;
}

void OpenAtStart(TForm1& form, const std::string& file, bool raw, std::ostream& errors) {
    if (raw) {
        // The mode of the first load: no reload of nothing.
        const QSignalBlocker quiet(form.CheckBox1);
        form.CheckBox1->setChecked(true);
    }
    // The dialog gives full paths.
    const QString path =
        QFileInfo(QFile::decodeName(QByteArray::fromStdString(file))).absoluteFilePath();
    try {
        ImageFile::open(LocalFileName(path), ImageFile::Accept::RegularFile);
    } catch (const ImageError& e) {
        errors << "sorrel: cannot open '" << file << "': " << e.reason() << '\n';
    }
    QMetaObject::invokeMethod(
        &form, [&form, path] { form.openFile(path); }, Qt::QueuedConnection);
}

}  // namespace sorrel
