#pragma once

#include <QLocale>

class QTranslator;

// Qt's own texts (the text boxes' context menus, the standard dialogs and
// their buttons) in the language of `locale`, from Qt's translations of
// qtbase. The program's own texts are Japanese literals and never pass
// through a translator, so they stay as they are in every locale.
//
// Returns the installed translator, owned by the application, or nullptr
// when no translation for the locale is installed: Qt's texts then stay
// English, which is no error.
QTranslator* installPlatformTranslations(const QLocale& locale);
