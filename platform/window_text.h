#pragma once
// Marks an English text that the window shows, for Qt's lupdate, which collects it for translation
// under `context` (it reads this as QT_TRANSLATE_NOOP, see cmake/translations.cmake). The text
// stays English here: files and pelimor-find keep it so; the window translates it where it shows it,
// with QCoreApplication::translate and the same context.
#define PELIMOR_WINDOW_TEXT(context, text) text
