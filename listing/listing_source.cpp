#include "listing_source.h"

#include <QFile>
#include <new>
#include <stdexcept>

namespace sorrel {

namespace {

QString Shown(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

[[noreturn]] void Fail(const QString& message) {
    throw std::runtime_error(message.toStdString());
}

[[noreturn]] void FailOutOfMemory(const QString& name, const QString& size) {
    Fail(QStringLiteral("Недостаточно памяти, чтобы прочитать файл \"%1\" (%2 байт). "
                        "Листинг не изменён.")
             .arg(name, size));
}

}  // namespace

std::string LocalFileName(const QString& name) {
    return QFile::encodeName(name).toStdString();
}

std::optional<ImageFile> OpenImageFile(const QString& name) {
    try {
        return ImageFile::open(LocalFileName(name));
    } catch (const ImageError& e) {
        if (e.kind() == ImageError::Kind::CannotOpen) {
            return std::nullopt;
        }
        throw;
    }
}

std::shared_ptr<const ImageData> ReadImageSnapshot(ImageFile& file) {
    const QString name = Shown(file.path());
    const QString size = QString::number(file.size());
    try {
        // Refused before anything is allocated.
        auto image = std::make_shared<ImageData>(ImageData::read(file, MaxImageSize));
        return image;
    } catch (const ImageError& e) {
        switch (e.kind()) {
            case ImageError::Kind::TooLarge:
                Fail(QStringLiteral("Файл \"%1\" слишком велик: %2 байт. Можно открыть образ "
                                    "не длиннее %3 байт (4 ГиБ - 1).")
                         .arg(name, size, QString::number(MaxImageSize)));
            case ImageError::Kind::ShortRead:
                Fail(QStringLiteral("Файл \"%1\" прочитан не полностью: он стал короче %2 байт, "
                                    "пока его читали. Листинг не изменён.")
                         .arg(name, size));
            case ImageError::Kind::OutOfMemory:
                FailOutOfMemory(name, size);
            case ImageError::Kind::ReadFailed:
            case ImageError::Kind::CannotOpen:
                break;
        }
        Fail(QStringLiteral("Ошибка чтения файла \"%1\": %2. Листинг не изменён.")
                 .arg(name, QString::fromLocal8Bit(e.reason().c_str())));
    } catch (const std::bad_alloc&) {
        FailOutOfMemory(name, size);
    }
}

ListingSource::ListingSource(std::shared_ptr<const ImageData> image, bool raw)
    : image_(std::move(image)) {
    rows_.bytes = image_->data();
    rows_.size = image_->size();
    rows_.raw = raw;
}

QString ListingSource::cellText(std::uint64_t row, int column) const {
    return ToQString(rows_.cell(row, column));
}

}  // namespace sorrel
