#include "platform/qt/qt_application.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace mirtel {

QFont GothicFont(int pixels, bool bold) {
  QFont font;
  font.setFamilies({QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("MS PGothic"),
                    QStringLiteral("Noto Sans CJK JP"), QStringLiteral("IPAPGothic"),
                    QStringLiteral("VL PGothic"), QStringLiteral("Droid Sans Fallback")});
  font.setPixelSize(pixels);
  font.setBold(bold);
  return font;
}

void PrepareApplication(QApplication& app) {
  QApplication::setApplicationName(QStringLiteral("mirtel"));
  auto* qtTexts = new QTranslator(&app);
  if (qtTexts->load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"),
                    QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    QApplication::installTranslator(qtTexts);
  }
  QApplication::setFont(GothicFont(12));
}

}  // namespace mirtel
