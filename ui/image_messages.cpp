#include "image_messages.h"

#include <QFile>
#include <stdexcept>

namespace sorrel {

std::string LocalFileName(const QString& name) {
    return QFile::encodeName(name).toStdString();
}

std::optional<ImageFile> OpenImageFile(const QString& name) {
    try {
        // Regular files only: a FIFO or device would block the window.
        return ImageFile::open(LocalFileName(name), ImageFile::Accept::RegularFile);
    } catch (const ImageError& e) {
        if (e.kind() == ImageError::Kind::CannotOpen) {
            return std::nullopt;
        }
        throw;
    }
}

QString ImageErrorMessage(const ImageError& error, std::uint64_t size) {
    const QString name = QFile::decodeName(QByteArray::fromStdString(error.path()));
    const QString bytes = QString::number(size);
    switch (error.kind()) {
        case ImageError::Kind::TooLarge:
            return QStringLiteral(
                       "Файл \"%1\" слишком велик: %2 байт. Можно открыть образ "
                       "не длиннее %3 байт (4 ГиБ - 1).")
                .arg(name, bytes, QString::number(MaxImageSize));
        case ImageError::Kind::ShortRead:
            return QStringLiteral(
                       "Файл \"%1\" прочитан не полностью: он стал короче %2 байт, "
                       "пока его читали. Листинг не изменён.")
                .arg(name, bytes);
        case ImageError::Kind::OutOfMemory:
            return QStringLiteral(
                       "Недостаточно памяти, чтобы прочитать файл \"%1\" (%2 байт). "
                       "Листинг не изменён.")
                .arg(name, bytes);
        case ImageError::Kind::ReadFailed:
        case ImageError::Kind::CannotOpen:
            break;
    }
    return QStringLiteral("Ошибка чтения файла \"%1\": %2. Листинг не изменён.")
        .arg(name, QString::fromLocal8Bit(error.reason().c_str()));
}

std::shared_ptr<const ImageData> ReadImageSnapshot(ImageFile& file) {
    try {
        // A file too large is refused before anything is allocated.
        return ReadSnapshot(file);
    } catch (const ImageError& e) {
        throw std::runtime_error(ImageErrorMessage(e, file.size()).toStdString());
    }
}

}  // namespace sorrel
