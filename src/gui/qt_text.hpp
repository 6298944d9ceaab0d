#pragma once

// Text between the core (bytes in std::string) and Qt (QString).

#include <QString>
#include <string>
#include <string_view>

namespace norvane::gui {

// The system's own texts (captions, labels, list entries): UTF-8.
inline QString ToQString(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::string ToStdString(const QString& text) {
  return text.toStdString();
}

// Text that came from a peer or a file: UTF-8 when the bytes are valid UTF-8, else Latin-1
// (ISO_IR 100, the character set most DICOM text arrives in).
QString PeerText(std::string_view bytes);

}  // namespace norvane::gui
