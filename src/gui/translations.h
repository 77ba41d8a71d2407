#pragma once
// Qt's own texts in Chinese: the standard dialogs (file, font, printer, folder,
// colour) and the message boxes' buttons speak the operator's language like the rest
// of the program. The catalogues are Qt's (Debian: qt6-translations-l10n).

class QObject;

namespace tarvo::gui {

// Loads Qt's Simplified Chinese catalogues from Qt's translations folder and installs
// them in the application. The translators are children of `owner` and leave the
// application with it. False when no catalogue could be loaded (the texts then stay
// Qt's English ones).
bool installChineseTranslations(QObject* owner);

}  // namespace tarvo::gui
