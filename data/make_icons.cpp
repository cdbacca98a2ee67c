// Draws the desktop's icons from the program's own icon: PNGs at 16, 32, 48
// and 128 pixels (the 16- and 32-pixel images, each pixel made a whole square
// so that the drawing stays sharp) and an SVG of the 32-pixel image.
// Usage: make_icons OUTPUT_DIR
#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>
#include <cstdio>

#include "res/parts.h"

namespace {

using lorvane::window::IconImage;

QColor ColorAt(const IconImage& image, int x, int y) {
  const std::size_t at = static_cast<std::size_t>(y * image.width + x);
  if (!image.mask.empty() && image.mask[at] != 0) return Qt::transparent;
  const COLORREF c = image.palette[image.pixels[at] & 15];
  return QColor(GetRValue(c), GetGValue(c), GetBValue(c));
}

bool SavePng(const IconImage& image, int size, const QString& path) {
  const int scale = size / image.width;
  QImage out(size, size, QImage::Format_ARGB32);
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) out.setPixelColor(x, y, ColorAt(image, x / scale, y / scale));
  return out.save(path, "PNG");
}

bool SaveSvg(const IconImage& image, const QString& path) {
  QString svg = QStringLiteral(
                    "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%1\" height=\"%2\" "
                    "viewBox=\"0 0 %1 %2\" shape-rendering=\"crispEdges\">\n")
                    .arg(image.width)
                    .arg(image.height);
  for (int y = 0; y < image.height; ++y) {
    // One rectangle per run of equal pixels in a row.
    for (int x = 0; x < image.width;) {
      const QColor color = ColorAt(image, x, y);
      int end = x + 1;
      while (end < image.width && ColorAt(image, end, y) == color) ++end;
      if (color.alpha() != 0)
        svg += QStringLiteral("<rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"1\" fill=\"%4\"/>\n")
                   .arg(x)
                   .arg(y)
                   .arg(end - x)
                   .arg(color.name());
      x = end;
    }
  }
  svg += "</svg>\n";
  QFile file(path);
  return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
         file.write(svg.toUtf8()) == svg.toUtf8().size();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_icons OUTPUT_DIR\n");
    return 2;
  }
  const QDir out(QString::fromLocal8Bit(argv[1]));
  const lorvane::window::IconResource icon = lorvane::res::MainIcon();
  const IconImage* small = nullptr;
  const IconImage* large = nullptr;
  for (const IconImage& image : icon.images) (image.width == 16 ? small : large) = &image;
  if (small == nullptr || large == nullptr || !QDir().mkpath(out.path())) return 1;
  const bool ok = SavePng(*small, 16, out.filePath("16.png")) &&
                  SavePng(*large, 32, out.filePath("32.png")) &&
                  SavePng(*small, 48, out.filePath("48.png")) &&
                  SavePng(*large, 128, out.filePath("128.png")) &&
                  SaveSvg(*large, out.filePath("scalable.svg"));
  if (!ok) std::fprintf(stderr, "make_icons: could not write to %s\n", argv[1]);
  return ok ? 0 : 1;
}
