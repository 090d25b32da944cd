#include "views/view_fonts.h"

#include <QFontDatabase>
#include <QStringList>

#include "base/font_names.h"

namespace kore::views {

namespace {

QString InstalledFace(FaceKind kind) {
  const QStringList families = QFontDatabase::families();
  for (const char* name : SubstituteFaces(kind)) {
    if (families.contains(QString::fromUtf8(name), Qt::CaseInsensitive))
      return QString::fromUtf8(name);
  }
  return QFontDatabase::systemFont(kind == FaceKind::FixedPitchJapanese
                                       ? QFontDatabase::FixedFont
                                       : QFontDatabase::GeneralFont).family();
}

QFont Make(FaceKind kind, int pixelHeight) {
  static const QString fixedFace = InstalledFace(FaceKind::FixedPitchJapanese);
  static const QString uiFace = InstalledFace(FaceKind::UiJapanese);
  QFont font(kind == FaceKind::FixedPitchJapanese ? fixedFace : uiFace);
  font.setPixelSize(pixelHeight);
  font.setFixedPitch(kind == FaceKind::FixedPitchJapanese);
  font.setStyleHint(kind == FaceKind::FixedPitchJapanese ? QFont::TypeWriter : QFont::SansSerif);
  return font;
}

}  // namespace

QFont FixedJapaneseFont(int pixelHeight) {
  return Make(FaceKind::FixedPitchJapanese, pixelHeight);
}

QFont UiJapaneseFont(int pixelHeight) { return Make(FaceKind::UiJapanese, pixelHeight); }

}  // namespace kore::views
