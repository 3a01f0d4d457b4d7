#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <string>

namespace faceloom {

// The model keeps paths as the file system's bytes; the windows show and take them as text.
inline QString FromLocal(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}
inline std::string ToLocal(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

}  // namespace faceloom
