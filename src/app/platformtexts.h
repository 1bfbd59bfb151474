#pragma once

#include <QLocale>

class QTranslator;

// Qt's own texts (the text boxes' context menus, the standard dialogs and
// their buttons) in the language of `locale`, from Qt's translations of
// qtbase. The program's own texts never pass through a translator: the
// window's are Japanese literals in every locale, and what it prints on the
// console is in the language language.h chooses.
//
// Returns the installed translator, owned by the application, or nullptr
// when no translation for the locale is installed: Qt's texts then stay
// English, which is no error.
QTranslator* installPlatformTranslations(const QLocale& locale);
