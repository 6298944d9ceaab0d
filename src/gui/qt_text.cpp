#include "gui/qt_text.hpp"

#include <QStringDecoder>

namespace norvane::gui {

QString PeerText(std::string_view bytes) {
  const QByteArrayView view(bytes.data(), static_cast<qsizetype>(bytes.size()));
  QStringDecoder utf8(QStringDecoder::Utf8);
  QString text = utf8(view);
  if (utf8.hasError()) text = QString::fromLatin1(view);
  return text;
}

}  // namespace norvane::gui
