// What every mirtel window needs of the Qt application around it.
#pragma once

#include <QFont>

class QApplication;

namespace mirtel {

// The Japanese Gothic face the layout was drawn for, then faces that render
// Japanese where it is not installed.
QFont GothicFont(int pixels, bool bold = false);

// The program's name, Qt's own texts (dialog buttons, the folder dialog) in
// Japanese whatever the locale, and the program's font for menus and lists.
void PrepareApplication(QApplication& app);

}  // namespace mirtel
