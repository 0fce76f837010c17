#pragma once

class QApplication;

namespace tolvan {

// Names the application, sets the fonts and loads Qt's German translations, so
// that standard buttons and dialogs speak German. Used by the program and the GUI tests.
void prepareApplication(QApplication &app);

} // namespace tolvan
