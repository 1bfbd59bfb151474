#pragma once

#include <QLocale>

// The language of what the program prints on the console (--help, the
// refusals of a command line, --explain's lines and errors): Japanese under
// a Japanese locale, English under any other, where it stays the stable form
// that scripts read. The window is Japanese whatever the locale.
enum class Language { English, Japanese };

// The language for `locale`, as QLocale::system() reads it from LC_ALL,
// LC_MESSAGES and LANG.
inline Language languageOf(const QLocale& locale)
{
    return locale.language() == QLocale::Japanese ? Language::Japanese : Language::English;
}
