#include "gui/text_area_sink.hpp"

#include <QMetaObject>

#include "gui/qt_text.hpp"

namespace norvane::gui {

void TextAreaSink::Clear() {
  Post([](QPlainTextEdit& area) { area.clear(); });
}

void TextAreaSink::WriteLine(const std::string& line) {
  Post([text = PeerText(line)](QPlainTextEdit& area) { area.appendPlainText(text); });
}

void TextAreaSink::Detach() {
  std::lock_guard lock(mutex_);
  area_ = nullptr;
}

void TextAreaSink::Post(std::function<void(QPlainTextEdit&)> change) {
  std::lock_guard lock(mutex_);
  if (area_ == nullptr) return;
  // Queued with the area as context: a change still pending when the area is deleted is
  // dropped with it.
  QMetaObject::invokeMethod(
      area_, [area = area_, change = std::move(change)] { change(*area); }, Qt::QueuedConnection);
}

}  // namespace norvane::gui
