#include "gui/button_icons.hpp"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace norvane::gui {
namespace {

constexpr int kSize = 64;
const QColor kInk(0x1f, 0x3b, 0x57);
const QColor kAccent(0x2a, 0x9d, 0x8f);
const QColor kPaper(0xf7, 0xf9, 0xfb);

QPen InkPen(qreal width = 3.5) {
  return QPen(kInk, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

// The archive: a cylinder standing in the lower part of the picture.
void DrawArchive(QPainter& p, const QRectF& box) {
  const qreal rim = box.height() * 0.22;
  QPainterPath body;
  body.moveTo(box.left(), box.top() + rim / 2);
  body.lineTo(box.left(), box.bottom() - rim / 2);
  body.arcTo(QRectF(box.left(), box.bottom() - rim, box.width(), rim), 180, 180);
  body.lineTo(box.right(), box.top() + rim / 2);
  p.setPen(InkPen(3));
  p.setBrush(kPaper);
  p.drawPath(body);
  p.drawEllipse(QRectF(box.left(), box.top(), box.width(), rim));
}

void DrawArrow(QPainter& p, QPointF from, QPointF to, const QColor& color) {
  p.setPen(QPen(color, 5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.drawLine(from, to);
  const QLineF shaft(to, from);
  for (const qreal turn : {35.0, -35.0}) {
    QLineF head(shaft);
    head.setLength(11);
    head.setAngle(shaft.angle() + turn);
    p.drawLine(head);
  }
}

void DrawLines(QPainter& p, qreal left, qreal right, qreal top, int count, qreal step) {
  p.setPen(InkPen(3));
  for (int i = 0; i < count; ++i)
    p.drawLine(QPointF(left, top + i * step), QPointF(right, top + i * step));
}

void DrawPicture(QPainter& p, ButtonPicture picture) {
  switch (picture) {
    case ButtonPicture::kSetup: {
      p.translate(32, 32);
      p.setPen(Qt::NoPen);
      p.setBrush(kInk);
      for (int i = 0; i < 8; ++i) {
        p.drawRoundedRect(QRectF(-5, -27, 10, 14), 2, 2);
        p.rotate(45);
      }
      p.drawEllipse(QPointF(0, 0), 19, 19);
      p.setBrush(kPaper);
      p.drawEllipse(QPointF(0, 0), 8, 8);
      break;
    }
    case ButtonPicture::kEcho:
      p.setPen(InkPen());
      p.setBrush(kPaper);
      p.drawRoundedRect(QRectF(3, 16, 14, 32), 3, 3);
      p.drawRoundedRect(QRectF(47, 16, 14, 32), 3, 3);
      DrawArrow(p, QPointF(22, 25), QPointF(42, 25), kAccent);
      DrawArrow(p, QPointF(42, 39), QPointF(22, 39), kAccent);
      break;
    case ButtonPicture::kStore:
      DrawArchive(p, QRectF(12, 34, 40, 26));
      DrawArrow(p, QPointF(32, 4), QPointF(32, 30), kAccent);
      break;
    case ButtonPicture::kQuery:
      DrawArchive(p, QRectF(4, 30, 36, 30));
      p.setPen(QPen(kAccent, 5));
      p.setBrush(Qt::NoBrush);
      p.drawEllipse(QPointF(40, 20), 13, 13);
      p.drawLine(QPointF(49, 29), QPointF(59, 39));
      break;
    case ButtonPicture::kWorklist:
      p.setPen(InkPen());
      p.setBrush(kPaper);
      p.drawRoundedRect(QRectF(12, 8, 40, 52), 4, 4);
      p.setBrush(kAccent);
      p.drawRoundedRect(QRectF(22, 4, 20, 9), 2, 2);
      DrawLines(p, 20, 44, 24, 4, 9);
      break;
    case ButtonPicture::kPrint:
      p.setPen(InkPen());
      p.setBrush(kPaper);
      p.drawRect(QRectF(18, 6, 28, 18));
      p.setBrush(kInk);
      p.drawRoundedRect(QRectF(6, 22, 52, 24), 4, 4);
      p.setBrush(kPaper);
      p.drawRect(QRectF(18, 38, 28, 20));
      p.setPen(Qt::NoPen);
      p.setBrush(kAccent);
      p.drawEllipse(QPointF(50, 30), 3, 3);
      break;
    case ButtonPicture::kDump: {
      QPainterPath page;
      page.moveTo(14, 4);
      page.lineTo(40, 4);
      page.lineTo(52, 16);
      page.lineTo(52, 60);
      page.lineTo(14, 60);
      page.closeSubpath();
      p.setPen(InkPen());
      p.setBrush(kPaper);
      p.drawPath(page);
      p.drawPolyline(QPolygonF({QPointF(40, 4), QPointF(40, 16), QPointF(52, 16)}));
      DrawLines(p, 21, 45, 26, 4, 8);
      p.setPen(QPen(kAccent, 3.5));
      p.drawLine(QPointF(21, 26), QPointF(28, 26));
      break;
    }
    case ButtonPicture::kAbout: {
      p.setPen(Qt::NoPen);
      p.setBrush(kInk);
      p.drawEllipse(QPointF(32, 32), 27, 27);
      p.setBrush(kPaper);
      p.drawEllipse(QPointF(32, 19), 4.5, 4.5);
      p.drawRoundedRect(QRectF(28, 28, 8, 22), 3, 3);
      break;
    }
  }
}

}  // namespace

QIcon ButtonIcon(ButtonPicture picture) {
  QPixmap pixmap(kSize, kSize);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  DrawPicture(painter, picture);
  painter.end();
  return QIcon(pixmap);
}

}  // namespace norvane::gui
