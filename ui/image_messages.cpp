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

QString BytesInRussian(std::uint64_t bytes, bool genitive) {
    const std::uint64_t last = bytes % 10;
    const bool teens = bytes % 100 >= 11 && bytes % 100 <= 14;
    const QString count = QString::number(bytes);
    if (!teens && last == 1) {
        return count + (genitive ? QStringLiteral(" байта") : QStringLiteral(" байт"));
    }
    if (!teens && last >= 2 && last <= 4 && !genitive) {
        return count + QStringLiteral(" байта");
    }
    return count + QStringLiteral(" байт");
}

QString ImageErrorMessage(const ImageError& error, std::uint64_t size) {
    const QString name = QFile::decodeName(QByteArray::fromStdString(error.path()));
    switch (error.kind()) {
        case ImageError::Kind::TooLarge:
            return QStringLiteral(
                       "Файл \"%1\" слишком велик: %2. Можно открыть образ "
                       "не длиннее %3 (4 ГиБ - 1).")
                .arg(name, BytesInRussian(size), BytesInRussian(MaxImageSize, true));
        case ImageError::Kind::ShortRead:
            return QStringLiteral(
                       "Файл \"%1\" прочитан не полностью: он стал короче %2, "
                       "пока его читали. Листинг не изменён.")
                .arg(name, BytesInRussian(size, true));
        case ImageError::Kind::OutOfMemory:
            return QStringLiteral(
                       "Недостаточно памяти, чтобы прочитать файл \"%1\" (%2). "
                       "Листинг не изменён.")
                .arg(name, BytesInRussian(size));
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
