#include "app/qt/dialog_units.h"

#include <QFontMetrics>

namespace kvx::qt {

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
constexpr int kAlphabetLength = sizeof kAlphabet - 1;

}  // namespace

DialogBaseUnits BaseUnitsOf(const QFont& font) {
  const QFontMetrics metrics(font);
  const int advance = metrics.horizontalAdvance(QString::fromLatin1(kAlphabet));
  return {(advance + kAlphabetLength / 2) / kAlphabetLength, metrics.height()};
}

QRect DialogUnitsToPixels(const DialogUnitRect& rect, DialogBaseUnits units) {
  const auto across = [&units](int dialogUnits) { return dialogUnits * units.width / 4; };
  const auto down = [&units](int dialogUnits) { return dialogUnits * units.height / 8; };
  return QRect(across(rect.x), down(rect.y), across(rect.width), down(rect.height));
}

}  // namespace kvx::qt
