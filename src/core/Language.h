#pragma once
// The program speaks Traditional Chinese throughout: Qt's own texts (the buttons of message and input boxes, the
// calendar's month and day names, the file dialogs) follow the zh_TW locale and Qt's Traditional Chinese translations.

// Makes zh_TW the default locale and installs Qt's Traditional Chinese translations into the running application
// (call it once, after the QApplication exists). False when Qt's translations are not installed: the boxes then keep
// Qt's English buttons, the locale is set all the same.
bool useTraditionalChinese();
