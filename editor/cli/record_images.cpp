#include "cli/record_images.h"

#include <QCryptographicHash>
#include <QList>

#include <algorithm>

namespace brisken::cli {

QByteArray RecordImagesText(const std::vector<RecordImage>& images) {
    QByteArray text;
    for (const RecordImage& image : images) {
        text += QByteArray(reinterpret_cast<const char*>(image.data()),
                           static_cast<qsizetype>(image.size()))
                    .toHex()
                    .toUpper();
        text += '\n';
    }
    return text;
}

std::optional<std::vector<RecordImage>> ParseRecordImages(const QByteArray& text, int records,
                                                          int recordLength, QString& error) {
    if (records < 0 || recordLength <= 0) {
        error = QStringLiteral("no records of that length");
        return std::nullopt;
    }
    // Every line ends with a line feed, so the last piece is empty.
    QList<QByteArray> lines = text.split('\n');
    if (lines.isEmpty() || !lines.back().isEmpty() || lines.size() - 1 != records) {
        error = QStringLiteral("%1 record(s) expected").arg(records);
        return std::nullopt;
    }
    lines.removeLast();
    std::vector<RecordImage> images;
    images.reserve(static_cast<std::size_t>(records));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QByteArray& line = lines[i];
        const bool hex = std::all_of(line.begin(), line.end(), [](char c) {
            return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
        });
        if (!hex || line.size() != 2 * static_cast<qsizetype>(recordLength)) {
            error =
                QStringLiteral("line %1 is not a record of %2 bytes").arg(i + 1).arg(recordLength);
            return std::nullopt;
        }
        const QByteArray bytes = QByteArray::fromHex(line);
        images.emplace_back(bytes.begin(), bytes.end());
    }
    return images;
}

QString Sha256Hex(const QByteArray& data) {
    return QString::fromLatin1(QCryptographicHash::hash(data, QCryptographicHash::Sha256).toHex());
}

} // namespace brisken::cli
